#include "clisettings.h"

#include <algorithm>

#include <QFileInfo>

#include "datalocations.h"
#include "generationtexts.h"
#include "inputrules.h"
#include "itemfilters.h"
#include "sortorders.h"
#include "topmessages.h"

namespace cli {

namespace {

// Why a settings file is not read; empty for one that is.
QString snapshotRefusal(settingsstore::Snapshot::Status status)
{
    using Status = settingsstore::Snapshot::Status;
    switch (status) {
    case Status::Read:
    case Status::Missing:
        break;
    case Status::TooLarge:
        return u"不是设置文件(大于1 MB),未读取 / not a settings file (over 1 MB), not read"_qs;
    case Status::NotSettings:
        return u"不是设置文件(应以[基本设置]这样的节开头,且不含二进制内容),未改动 / "
               u"not a settings file (no [section] first, or binary), left as it is"_qs;
    case Status::Unreadable:
        return u"无法读取设置文件 / cannot read the settings file"_qs;
    }
    return QString();
}

} // namespace

bool loadSettings(const QCommandLineParser &parser, const CommonOptions &options, const Environment &env,
                  const Console &console, Settings &settings)
{
    if (parser.isSet(options.settings)) {
        settings.path = QFileInfo(parser.value(options.settings)).absoluteFilePath();
        // A mistyped name would otherwise run on the defaults without a word.
        if (!QFileInfo(settings.path).isFile()) {
            console.error(u"--settings: 设置文件不存在 / no such settings file: "_qs +
                          QDir::toNativeSeparators(settings.path));
            return false;
        }
    } else {
        settings.path = locate(env.programFolder).settingsPath;
    }
    const settingsstore::Snapshot snapshot = settingsstore::readSnapshot(settings.path);
    if (!snapshot.usable()) {
        console.error(QDir::toNativeSeparators(settings.path) + u": "_qs + snapshotRefusal(snapshot.status));
        return false;
    }
    settings.inputs = settingsstore::readInputs(snapshot, 0);
    settings.hosts = settingsstore::readHosts(snapshot);
    settings.sources = settingsstore::readSourceSettings(snapshot);
    // Only the commands that make pages take --tokens (isSet would warn about the others).
    settings.tokens = parser.optionNames().contains(options.tokens.names().constLast());
    if (settings.sources.source == itemsource::Source::Unknown) {
        console.error(settings.where(u"数据来源 "_qs + settings.sources.sourceText, u"服务设置"_qs) +
                      u": "_qs + generationtexts::unknownSource.toString());
        return false;
    }
    return true;
}

bool resolveInputs(const QCommandLineParser &parser, const CommonOptions &options, const Settings &settings,
                   const Console &console, ResolvedInputs &resolved)
{
    CliForm::Inputs &in = resolved.inputs;
    in.templateName = parser.value(options.templ);
    // From the option when given, else from the settings; and where it came from, for messages.
    const auto take = [&](const QCommandLineOption &option, const QString &optionName, const QString &setting,
                          const QString &key, QString &value, QString &from) {
        const bool given = parser.isSet(option);
        value = given ? parser.value(option) : setting;
        from = given ? optionName : settings.where(key);
    };
    take(options.pid, u"--pid"_qs, settings.inputs.pid, u"Text2"_qs, in.pid, resolved.pidFrom);
    take(options.count, u"-n/--count"_qs, settings.inputs.count, u"Text3"_qs, in.count, resolved.countFrom);
    if (parser.isSet(options.sort)) {
        in.sortText = parser.value(options.sort);
        const auto known =
            std::find_if(sortorders::all.begin(), sortorders::all.end(),
                         [&](const sortorders::SortOrder &o) { return o.text == in.sortText; });
        if (known == sortorders::all.end()) {
            console.error(u"-s/--sort "_qs + in.sortText + u": 未知的排序 / unknown sort order"_qs);
            console.err << u"可用的排序 / sort orders:"_qs << Qt::endl;
            for (const sortorders::SortOrder &order : sortorders::all)
                console.err << u"  "_qs << order.text.toString() << Qt::endl;
            return false;
        }
    } else {
        const int index = settings.inputs.sortIndex.value_or(-1);
        in.sortText = index >= 0 ? sortorders::all[index].text.toString() : QString();
    }
    in.shortLinkState = parser.isSet(options.shortLinks) ? 1 : settings.inputs.checkState.value_or(0);
    if (!readFilters(parser, options.filters, console, resolved.filter))
        return false;
    // The window takes "1.5" as a number and "abc" as 0; typed here, they are slips.
    if (const QStringView refusal = inputrules::countTextRefusal(in.count); !refusal.isEmpty()) {
        console.error(resolved.countFrom + u' ' + in.count + u": "_qs + refusal.toString());
        return false;
    }
    return true;
}

QString refusalPlace(const QString &message, const ResolvedInputs &resolved, const QString &keywordOption)
{
    if (message == itemfilters::testToolRefusal(resolved.filter))
        return u"--coupon-only"_qs;
    if (message == generationtexts::badPid || message.startsWith(openplatform::pidMessage))
        return resolved.pidFrom + u' ' + resolved.inputs.pid;
    if (message == generationtexts::emptyKeyword || message == generationtexts::keywordTooLong)
        return keywordOption;
    return QString(u"-t/--template "_qs + resolved.inputs.templateName).trimmed();
}

AppSetup setupFor(const Environment &env, const Settings &settings)
{
    // The same places as the window's: beside the program, or the user's once installed.
    const DataLocations where = locate(env.programFolder);
    AppSetup setup = AppSetup::inProgramFolder(env.programFolder);
    setup.templateRoot = where.templateRoot;
    setup.templateRoots = where.templateRoots;
    setup.outputRoot = where.outputRoot;
    setup.settingsPath = settings.path;
    setup.hosts = settings.hosts;
    setup.source = settings.sources.source;
    setup.openPlatform = settings.sources.openPlatform;
    if (settings.tokens)
        setup.openPlatform.makeTpwd = true;
    setup.now = env.now;
    return setup;
}

BatchSettings batchSettingsFor(const ResolvedInputs &resolved)
{
    BatchSettings settings;
    settings.templateName = resolved.inputs.templateName;
    settings.count = resolved.inputs.count;
    settings.sortText = resolved.inputs.sortText;
    settings.pid = resolved.inputs.pid;
    settings.shortLinkState = resolved.inputs.shortLinkState;
    settings.filter = resolved.filter;
    return settings;
}

} // namespace cli
