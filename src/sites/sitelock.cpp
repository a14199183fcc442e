#include "sitelock.h"

#include <QLockFile>

#include "joinpath.h"

namespace sites {

namespace {

const QString lockName = u".站点锁"_qs;
const QString busy = u"站点正在被另一个进程使用"_qs;
const QString tryLater = u",请等它结束后再试"_qs;
const QString cannotLock = u"无法在站点文件夹中建立锁文件"_qs;

} // namespace

SiteLock::SiteLock(const QString &siteFolder, QObject *parent)
    : QObject(parent)
    , m_file(std::make_unique<QLockFile>(joinPath(siteFolder, lockName)))
{
    // A refresh of a large site takes far longer than any fixed age; only a holder that is gone
    // gives up its lock.
    m_file->setStaleLockTime(0);
    if (m_file->tryLock(0))
        return;
    if (m_file->error() != QLockFile::LockFailedError) {
        m_refusal = cannotLock;
        return;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    m_refusal = busy;
    if (m_file->getLockInfo(&pid, &host, &application))
        m_refusal +=
            u"(进程 "_qs + QString::number(pid) + u", 主机 "_qs + host + u", 程序 "_qs + application + u')';
    m_refusal += tryLater;
}

SiteLock::~SiteLock() = default;

bool SiteLock::isLocked() const
{
    return m_file->isLocked();
}

} // namespace sites
