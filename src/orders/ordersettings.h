#pragma once

#include "orderstore.h"
#include "settingsstore.h"

// What 设置.ini says about orders, in "[收益设置]": how long a window the gateway takes, and which
// database holds the orders. Every entry is optional.
//   订单时间窗口=180        minutes, 1 to 180; shorter during big sales
//   数据库驱动=QPSQL        another Qt SQL driver instead of the local SQLite file, with
//   数据库主机=, 数据库端口=, 数据库名=, 数据库用户=  (the password from PGPASSWORD)
namespace orders {

struct OrderSettings
{
    int windowMinutes = 180;
    StoreLocation store;
};

OrderSettings readOrderSettings(const settingsstore::Snapshot &settings, const QString &outputRoot);

} // namespace orders
