#include "settingsstore.h"

#include <cmath>

#include <QLocale>

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

QString readHelpBaseUrl(const QString &settingsPath, const QString &defaultUrl)
{
    QString url = service(settingsPath, u"帮助网址"_qs, defaultUrl);
    if (!url.endsWith(u'/'))
        url += u'/';
    return url;
}

} // namespace settingsstore
