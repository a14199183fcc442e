#include "offlinedemo.h"

#include <cstdio>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

// What the service prints once it listens: "demo-server listening on http://127.0.0.1:<port>".
const QRegularExpression listeningLine(u"listening on http://127\\.0\\.0\\.1:(\\d+)"_qs);

constexpr int stopGraceMs = 3000;

// The service's own words on failure, as one line.
QString lastWords(QProcess &process)
{
    return QString::fromLocal8Bit(process.readAllStandardError()).simplified();
}

} // namespace

OfflineDemo::OfflineDemo(QObject *parent)
    : QObject(parent)
{
}

OfflineDemo::~OfflineDemo()
{
    stop();
}

bool OfflineDemo::start(const QString &program, int timeoutMs)
{
    stop();
    m_error.clear();
    const QFileInfo file(program);
    if (!file.isFile() || !file.isExecutable()) {
        fail((file.exists() ? u"离线演示服务程序不可执行：%1"_qs : u"找不到离线演示服务程序 %1"_qs)
                 .arg(program));
        return false;
    }

    m_process = new QProcess(this);
#ifdef Q_OS_LINUX
    const pid_t parent = ::getpid();
    m_process->setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        // This program may have died between the fork and the line above.
        if (::getppid() != parent)
            ::_exit(1);
    });
#endif
    m_process->start(program, {u"--port"_qs, u"0"_qs});
    if (!m_process->waitForStarted(timeoutMs)) {
        fail(u"离线演示服务无法启动（%1）"_qs.arg(m_process->errorString()));
        return false;
    }

    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!output.contains('\n')) {
        if (m_process->state() != QProcess::Running || deadline.hasExpired() ||
            !m_process->waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_process->state() != QProcess::Running) {
                const QString words = lastWords(*m_process);
                fail(u"离线演示服务启动后就退出了"_qs +
                     (words.isEmpty() ? QString() : u"：%1"_qs.arg(words)));
            } else {
                fail(u"离线演示服务在 %1 秒内没有开始监听"_qs.arg(timeoutMs / 1000.0));
            }
            return false;
        }
        output += m_process->readAllStandardOutput();
    }
    const QRegularExpressionMatch match = listeningLine.match(QString::fromLocal8Bit(output));
    const uint port = match.hasMatch() ? match.captured(1).toUInt() : 0;
    if (port == 0 || port > 65535) {
        fail(u"离线演示服务没有报告端口：%1"_qs.arg(QString::fromLocal8Bit(output).simplified()));
        return false;
    }
    m_port = quint16(port);
    m_processId = m_process->processId();

    // Whatever it says later goes to this program's error output; an unread pipe would fill up
    // and stall the service.
    const auto pass = [this] {
        const QByteArray bytes = m_process->readAllStandardOutput() + m_process->readAllStandardError();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    };
    connect(m_process, &QProcess::readyReadStandardOutput, this, pass);
    connect(m_process, &QProcess::readyReadStandardError, this, pass);
    return true;
}

void OfflineDemo::stop()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(stopGraceMs)) {
            m_process->kill();
            m_process->waitForFinished(stopGraceMs);
        }
    }
    delete m_process;
    m_process = nullptr;
    m_port = 0;
    m_processId = 0;
}

bool OfflineDemo::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

QString OfflineDemo::hostAndPort() const
{
    return u"127.0.0.1:"_qs + QString::number(m_port);
}

void OfflineDemo::fail(const QString &reason)
{
    m_error = reason;
    stop();
}
