#include "settingsstore.h"

#include <cmath>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryFile>

#include "inifile.h"
#include "textops.h"

namespace settingsstore {

namespace {

const QString basicSection = u"基本设置"_qs;
const QString serviceSection = u"服务设置"_qs;

QString service(const QString &settingsPath, const QString &key, const QString &defaultValue)
{
    return textops::trimSpaces(ReadIni(serviceSection, key, defaultValue, settingsPath));
}

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

Inputs readInputs(const QString &settingsPath, int checkDefault)
{
    const auto read = [&settingsPath](const QString &key, const QString &defaultValue) {
        return ReadIni(basicSection, key, defaultValue, settingsPath);
    };
    Inputs inputs;
    inputs.keyword = read(u"Text1"_qs, QString());
    inputs.pid = read(u"Text2"_qs, QString());
    inputs.count = read(u"Text3"_qs, u"10"_qs);
    inputs.checkState = integerValue(read(u"Check1"_qs, QString::number(checkDefault)), 0, 2);
    inputs.sortIndex = integerValue(read(u"Combo2"_qs, u"0"_qs), -1, 3);
    return inputs;
}

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

ServiceHosts readHosts(const QString &settingsPath)
{
    const ServiceHosts defaults = services::defaultHosts();
    return {service(settingsPath, u"接口主机"_qs, defaults.apiHost),
            service(settingsPath, u"短网址主机"_qs, defaults.shortHost),
            service(settingsPath, u"图片主机"_qs, defaults.imageHost)};
}

SourceSettings readSourceSettings(const QString &settingsPath)
{
    const itemsource::OpenPlatformSetup defaults;
    SourceSettings settings;
    settings.source =
        itemsource::sourceFromText(service(settingsPath, sourceKey, itemsource::testToolText.toString()));
    itemsource::OpenPlatformSetup &account = settings.openPlatform;
    account.gateway = service(settingsPath, gatewayKey, defaults.gateway);
    account.appKey = service(settingsPath, appKeyKey, QString());
    account.appSecret = service(settingsPath, appSecretKey, QString());
    account.signMethod = itemsource::signMethodFromText(
        service(settingsPath, signMethodKey, itemsource::signMethodText(defaults.signMethod).toString())
            .toLower());
    account.makeTpwd = service(settingsPath, tpwdKey, u"0"_qs) == u"1";
    if (!account.appSecret.isEmpty())
        protectSecret(settingsPath);
    return settings;
}

bool writeServiceSettings(const QString &settingsPath, const ServiceSettings &settings)
{
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
        write(serviceSection, appKeyKey, account.appKey) &&
        write(serviceSection, appSecretKey, account.appSecret) &&
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
    if (!account.appSecret.isEmpty())
        file.setPermissions(ownerOnly);
    file.write(stagedFile.readAll());
    return file.commit();
}

QString readHelpBaseUrl(const QString &settingsPath, const QString &defaultUrl)
{
    QString url = service(settingsPath, u"帮助网址"_qs, defaultUrl);
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

} // namespace settingsstore
