#include "secretstore.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <qt6keychain/keychain.h>

#include "wholefile.h"

namespace secretstore {

namespace {

// A password file holds one password.
constexpr qint64 maxFileBytes = 64 * 1024;

const QString service = u"淘页坊"_qs;

// A keyring call on a session bus nobody answers must not hang the program.
constexpr int keyringTimeoutMs = 10000;

bool sessionBus()
{
    return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

// Runs `job` to its end; false when it failed or took too long.
bool runJob(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(keyringTimeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done)
        loop.exec();
    return done && job.error() == QKeychain::NoError;
}

bool fileWrite(const QString &path, const QString &secret)
{
    QFile::remove(path);
    QFile file(path);
    // Created private, so the secret is never readable by others, not even for a moment.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    const QByteArray bytes = secret.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.close();
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace

bool toKeyring(const QString &key, const QString &secret)
{
    if (!sessionBus())
        return false;
    QKeychain::WritePasswordJob job(service);
    job.setKey(key);
    job.setTextData(secret);
    return runJob(job);
}

std::optional<QString> fromKeyring(const QString &key)
{
    if (!sessionBus())
        return std::nullopt;
    QKeychain::ReadPasswordJob job(service);
    job.setKey(key);
    if (!runJob(job))
        return std::nullopt;
    return job.textData();
}

bool removeFromKeyring(const QString &key)
{
    if (!sessionBus())
        return false;
    QKeychain::DeletePasswordJob job(service);
    job.setKey(key);
    return runJob(job);
}

Place store(const QString &key, const QString &secret, const QString &fallbackFile)
{
    if (toKeyring(key, secret)) {
        QFile::remove(fallbackFile);
        return Place::Keyring;
    }
    return fileWrite(fallbackFile, secret) ? Place::File : Place::Nowhere;
}

std::optional<QString> read(const QString &key, const QString &fallbackFile)
{
    // Storing in the keyring removes the file, so a file there holds the newest secret, whatever
    // an older one in the keyring says.
    // Only a small regular file: a FIFO or a device in its place would hang or flood the run.
    const std::optional<QByteArray> bytes = readRegularFile(fallbackFile, maxFileBytes);
    if (!bytes)
        return fromKeyring(key);
    const QString secret = QString::fromUtf8(*bytes);
    if (toKeyring(key, secret))
        QFile::remove(fallbackFile);
    return secret;
}

void remove(const QString &key, const QString &fallbackFile)
{
    removeFromKeyring(key);
    QFile::remove(fallbackFile);
}

} // namespace secretstore
