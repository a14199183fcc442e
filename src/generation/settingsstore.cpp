#include "settingsstore.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryFile>

#include "inifile.h"
#include "secretstore.h"
#include "textops.h"

namespace settingsstore {

namespace {

const QString basicSection = u"基本设置"_qs;
const QString serviceSection = u"服务设置"_qs;

// Where the entries come from: the file itself, which then stores the default of an entry it
// lacks (the window), or a snapshot of it, which stores nothing (the command line).
class Entries
{
public:
    explicit Entries(const QString &path)
        : m_path(path)
    {
    }
    explicit Entries(const Snapshot &snapshot)
        : m_path(snapshot.path)
        , m_bytes(&snapshot.bytes)
    {
    }

    const QString &path() const { return m_path; }
    bool stores() const { return !m_bytes; }

    QString read(const QString &section, const QString &key, const QString &defaultValue,
                 inifile::ValueLength length) const
    {
        if (!m_bytes)
            return ReadIni(section, key, defaultValue, m_path, length);
        const QString value = inifile::lookUp(*m_bytes, section, key, length);
        return value.isEmpty() ? defaultValue : value;
    }

    // The five inputs keep the 143-byte cut they always had.
    QString basic(const QString &key, const QString &defaultValue) const
    {
        return read(basicSection, key, defaultValue, inifile::ValueLength::Cut);
    }

    // The services came later, and an AppSecret or a gateway is read whole.
    QString service(const QString &key, const QString &defaultValue) const
    {
        return textops::trimSpaces(read(serviceSection, key, defaultValue, inifile::ValueLength::Whole));
    }

private:
    QString m_path;
    const QByteArray *m_bytes = nullptr;
};

const QString sourceKey = u"数据来源"_qs;
const QString gatewayKey = u"开放平台网关"_qs;
const QString appKeyKey = u"AppKey"_qs;
const QString appSecretKey = u"AppSecret"_qs;
const QString signMethodKey = u"签名方式"_qs;
const QString tpwdKey = u"生成淘口令"_qs;

constexpr QFileDevice::Permissions ownerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;

// Others may read the inputs, never the secret.
void protectSecret(const QString &settingsPath)
{
    if (QFileInfo::exists(settingsPath) && QFile::permissions(settingsPath) != ownerOnly)
        QFile::setPermissions(settingsPath, ownerOnly);
}

// The AppSecret's keyring entry: the settings file tells two program folders apart.
QString secretKey(const QString &settingsPath)
{
    return u"AppSecret:"_qs + QFileInfo(settingsPath).absoluteFilePath();
}

} // namespace

std::optional<int> integerValue(const QString &text, int min, int max)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < min || rounded > max)
        return std::nullopt;
    return static_cast<int>(rounded);
}

namespace {

Inputs readInputs(const Entries &entries, int checkDefault)
{
    Inputs inputs;
    inputs.keyword = entries.basic(u"Text1"_qs, QString());
    inputs.pid = entries.basic(u"Text2"_qs, QString());
    inputs.count = entries.basic(u"Text3"_qs, u"10"_qs);
    inputs.checkState = integerValue(entries.basic(u"Check1"_qs, QString::number(checkDefault)), 0, 2);
    inputs.sortIndex = integerValue(entries.basic(u"Combo2"_qs, u"0"_qs), -1, 3);
    return inputs;
}

ServiceHosts readHosts(const Entries &entries)
{
    const ServiceHosts defaults = services::defaultHosts();
    return {entries.service(u"接口主机"_qs, defaults.apiHost),
            entries.service(u"短网址主机"_qs, defaults.shortHost),
            entries.service(u"图片主机"_qs, defaults.imageHost)};
}

SourceSettings readSourceSettings(const Entries &entries)
{
    const itemsource::OpenPlatformSetup defaults;
    SourceSettings settings;
    settings.sourceText = entries.service(sourceKey, itemsource::testToolText.toString());
    settings.source = itemsource::sourceFromText(settings.sourceText);
    itemsource::OpenPlatformSetup &account = settings.openPlatform;
    account.gateway = entries.service(gatewayKey, defaults.gateway);
    account.appKey = entries.service(appKeyKey, QString());
    const QString secretInFile = entries.service(appSecretKey, QString());
    account.appSecret = secretInFile;
    account.signMethod = itemsource::signMethodFromText(
        entries.service(signMethodKey, itemsource::signMethodText(defaults.signMethod).toString()).toLower());
    account.makeTpwd = entries.service(tpwdKey, u"0"_qs) == u"1";
    // Saving to the keyring empties the file's entry, so one found there is the newest.
    const QString key = secretKey(entries.path());
    if (secretInFile.isEmpty())
        account.appSecret = secretstore::fromKeyring(key).value_or(QString());
    else if (!entries.stores() || !secretstore::toKeyring(key, secretInFile) ||
             !WriteIni(serviceSection, appSecretKey, QString(), entries.path()))
        protectSecret(entries.path());
    return settings;
}

} // namespace

bool writeInputs(const QString &settingsPath, const Inputs &inputs)
{
    const auto write = [&settingsPath](const QString &key, const QString &value) {
        return WriteIni(basicSection, key, value, settingsPath);
    };
    // Every entry is attempted, whatever happened to the one before.
    bool ok = write(u"text1"_qs, inputs.keyword);
    ok = write(u"text2"_qs, inputs.pid) && ok;
    ok = write(u"text3"_qs, inputs.count) && ok;
    ok = write(u"Check1"_qs, QString::number(inputs.checkState.value_or(0))) && ok;
    ok = write(u"Combo2"_qs, QString::number(inputs.sortIndex.value_or(-1))) && ok;
    return ok;
}

Snapshot readSnapshot(const QString &settingsPath)
{
    Snapshot snapshot;
    snapshot.path = settingsPath;
    const QFileInfo info(settingsPath);
    if (!info.exists())
        return snapshot;
    // Checked before reading: a file of gigabytes given by mistake is not taken in.
    if (info.isFile() && info.size() > inifile::maxFileBytes) {
        snapshot.status = Snapshot::Status::TooLarge;
        return snapshot;
    }
    QFile file(settingsPath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        snapshot.status = Snapshot::Status::Unreadable;
        return snapshot;
    }
    // One byte more than allowed tells a file that grew meanwhile.
    snapshot.bytes = file.read(inifile::maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        snapshot.status = Snapshot::Status::Unreadable;
    else if (snapshot.bytes.size() > inifile::maxFileBytes)
        snapshot.status = Snapshot::Status::TooLarge;
    else if (!inifile::isSettingsText(snapshot.bytes))
        snapshot.status = Snapshot::Status::NotSettings;
    else
        snapshot.status = Snapshot::Status::Read;
    if (snapshot.status != Snapshot::Status::Read)
        snapshot.bytes.clear();
    return snapshot;
}

Inputs readInputs(const QString &settingsPath, int checkDefault)
{
    return readInputs(Entries(settingsPath), checkDefault);
}

Inputs readInputs(const Snapshot &settings, int checkDefault)
{
    return readInputs(Entries(settings), checkDefault);
}

ServiceHosts readHosts(const QString &settingsPath)
{
    return readHosts(Entries(settingsPath));
}

ServiceHosts readHosts(const Snapshot &settings)
{
    return readHosts(Entries(settings));
}

SourceSettings readSourceSettings(const QString &settingsPath)
{
    return readSourceSettings(Entries(settingsPath));
}

SourceSettings readSourceSettings(const Snapshot &settings)
{
    return readSourceSettings(Entries(settings));
}

bool writeServiceSettings(const QString &settingsPath, const ServiceSettings &settings, bool *secretInFile)
{
    // The keyring first: the file keeps the secret only where no keyring took it. A secret
    // cleared in the dialog is cleared from the keyring too.
    const QString key = secretKey(settingsPath);
    QString fileSecret = settings.sources.openPlatform.appSecret;
    if (fileSecret.isEmpty())
        secretstore::removeFromKeyring(key);
    else if (secretstore::toKeyring(key, fileSecret))
        fileSecret.clear();
    if (secretInFile)
        *secretInFile = !fileSecret.isEmpty();

    // The entries are gathered on a private copy beside the file, which then replaces the file
    // in one step: a failure half-way leaves the old settings whole.
    QTemporaryFile staging(settingsPath + u".XXXXXX"_qs);
    if (!staging.open())
        return false;
    if (QFile current(settingsPath); current.open(QIODevice::ReadOnly))
        staging.write(current.readAll());
    if (!staging.flush())
        return false;
    staging.close();
    const QString stagingPath = staging.fileName();

    const auto write = [&stagingPath](const QString &section, const QString &key, const QString &value) {
        return WriteIni(section, key, value, stagingPath);
    };
    const itemsource::OpenPlatformSetup &account = settings.sources.openPlatform;
    const bool staged =
        write(serviceSection, u"接口主机"_qs, settings.hosts.apiHost) &&
        write(serviceSection, u"短网址主机"_qs, settings.hosts.shortHost) &&
        write(serviceSection, u"图片主机"_qs, settings.hosts.imageHost) &&
        write(serviceSection, u"帮助网址"_qs, settings.helpBaseUrl) &&
        write(serviceSection, sourceKey, itemsource::sourceText(settings.sources.source).toString()) &&
        write(serviceSection, gatewayKey, account.gateway) &&
        write(serviceSection, appKeyKey, account.appKey) && write(serviceSection, appSecretKey, fileSecret) &&
        write(serviceSection, signMethodKey, itemsource::signMethodText(account.signMethod).toString()) &&
        write(serviceSection, tpwdKey, account.makeTpwd ? u"1"_qs : u"0"_qs) &&
        write(basicSection, u"Check1"_qs, QString::number(settings.checkState));
    if (!staged)
        return false;
    QFile stagedFile(stagingPath);
    if (!stagedFile.open(QIODevice::ReadOnly))
        return false;

    QSaveFile file(settingsPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Before the content is written, so the secret is never readable by others, not even
    // for a moment.
    if (!fileSecret.isEmpty())
        file.setPermissions(ownerOnly);
    file.write(stagedFile.readAll());
    return file.commit();
}

QString readHelpBaseUrl(const QString &settingsPath, const QString &defaultUrl)
{
    QString url = Entries(settingsPath).service(u"帮助网址"_qs, defaultUrl);
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

} // namespace settingsstore
