#include "ordersettings.h"

#include "inifile.h"
#include "ordersync.h"

namespace orders {

OrderSettings readOrderSettings(const settingsstore::Snapshot &settings, const QString &outputRoot)
{
    const QString section = u"收益设置"_qs;
    const auto value = [&](const QString &key) {
        return settings.status == settingsstore::Snapshot::Status::Read
                   ? inifile::lookUp(settings.bytes, section, key, inifile::ValueLength::Whole).trimmed()
                   : QString();
    };
    OrderSettings out;
    out.windowMinutes = settingsstore::integerValue(value(u"订单时间窗口"_qs), 1, defaultWindowMinutes)
                            .value_or(defaultWindowMinutes);
    const QString driver = value(u"数据库驱动"_qs);
    if (driver.isEmpty() || driver == u"QSQLITE") {
        out.store.database = databasePath(outputRoot);
        return out;
    }
    out.store.driver = driver;
    out.store.database = value(u"数据库名"_qs);
    out.store.host = value(u"数据库主机"_qs);
    out.store.port = settingsstore::integerValue(value(u"数据库端口"_qs), 1, 65535).value_or(-1);
    out.store.user = value(u"数据库用户"_qs);
    return out;
}

} // namespace orders
