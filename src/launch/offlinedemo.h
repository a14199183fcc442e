#pragma once

#include <QObject>
#include <QString>

class QProcess;

// The offline demo service, run as a child of this program for one session: it listens on a free
// port of 127.0.0.1 and goes when this object goes. Should this program be killed instead of
// closing, the system ends the child too (Linux), so no service is left behind either way.
class OfflineDemo final : public QObject
{
    Q_OBJECT

public:
    explicit OfflineDemo(QObject *parent = nullptr);
    ~OfflineDemo() override;

    // Starts `program` (the demo service's executable) and waits up to `timeoutMs` for it to say
    // where it listens. Returns false with errorString() saying what failed; nothing is left
    // running then.
    bool start(const QString &program, int timeoutMs = 10000);
    // Ends the service: asks first, then kills it when it does not go within a few seconds.
    void stop();

    bool isRunning() const;
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    qint64 processId() const { return m_processId; }
    // "127.0.0.1:port", the form the service hosts take.
    QString hostAndPort() const;

private:
    void fail(const QString &reason);

    QProcess *m_process = nullptr;
    QString m_error;
    quint16 m_port = 0;
    qint64 m_processId = 0;
};
