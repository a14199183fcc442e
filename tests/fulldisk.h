#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#endif

// Two ways to make writes fail the way a full disk does, for the tests of everything that must
// keep the old file when the new one does not fit.

// While it lives, no file this process writes can grow beyond `bytes`: writes past that fail
// with EFBIG, as on a full disk. Works without privileges; Linux only (active() is false
// elsewhere).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
#ifdef Q_OS_LINUX
        if (getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN); // the default action ends the process
        rlimit limit = m_old;
        limit.rlim_cur = rlim_t(bytes);
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
        Q_UNUSED(bytes);
#endif
    }
    ~FileSizeLimit()
    {
#ifdef Q_OS_LINUX
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
#endif
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const
    {
        return m_active;
    }

private:
    bool m_active = false;
#ifdef Q_OS_LINUX
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
#endif
};

// A real small file system: a tmpfs of `bytes` on a temporary folder. Mounting needs root (or
// CAP_SYS_ADMIN); isMounted() says whether it worked, so a test can skip cleanly.
class SmallTmpfs
{
public:
    explicit SmallTmpfs(qint64 bytes)
    {
#ifdef Q_OS_LINUX
        if (!m_dir.isValid())
            return;
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            options.constData()) == 0;
#else
        Q_UNUSED(bytes);
#endif
    }
    ~SmallTmpfs()
    {
#ifdef Q_OS_LINUX
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
#endif
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool isMounted() const
    {
        return m_mounted;
    }
    QString path() const
    {
        return m_dir.path();
    }
    QString filePath(const QString &name) const
    {
        return m_dir.filePath(name);
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
