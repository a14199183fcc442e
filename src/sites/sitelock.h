#pragma once

#include <memory>

#include <QObject>
#include <QString>

class QLockFile;

namespace sites {

// One writer per site: a refresh or a publish holds the site's lock file (".站点锁" in its folder)
// while it runs, so the window, the command line and the timer never work on one site at once.
// The lock of a process that died is taken over; a live holder is never timed out, however long
// its run takes.
class SiteLock final : public QObject
{
    Q_OBJECT

public:
    // Tries once to take the lock of the site in `siteFolder`; isLocked() tells whether it did.
    explicit SiteLock(const QString &siteFolder, QObject *parent = nullptr);
    ~SiteLock() override;

    bool isLocked() const;
    // Why the lock was not taken, naming the process that holds it: "站点正在被另一个进程使用
    // (进程 4242, 主机 host, 程序 taoyefang-cli),请等它结束后再试".
    QString refusal() const { return m_refusal; }

private:
    std::unique_ptr<QLockFile> m_file;
    QString m_refusal;
};

} // namespace sites
