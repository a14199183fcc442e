#pragma once

#include <optional>

#include <QString>
#include <QStringView>

#include "topreply.h"

// What the program says when the open platform does not give items, each text kept only here.
// No text ever carries the AppSecret: every one is cleaned of it before it is shown.
namespace openplatform {

inline constexpr QStringView pidMessage = u"请输入完整的推广位PID，例如 mm_12345678_2345678_34567890";
// Added for the old forms, which name no 推广位 at all.
inline constexpr QStringView pidWithoutAdzone =
    u"（8位数字或 mm_数字_0_0 形式的旧PID没有推广位，请在淘宝联盟后台的推广位管理中复制完整PID）";

inline constexpr QStringView timedOutText = u"连接开放平台网关超时，请检查网络和网关地址后重试";
inline constexpr QStringView unparseableText =
    u"开放平台网关的回复无法解析（不是有效的JSON），请检查网关地址";
inline constexpr QStringView missingAccountText =
    u"尚未设置 AppKey 或 AppSecret，请在“工具 → 服务设置…”中填写";
inline constexpr QStringView badGatewayText =
    u"开放平台网关地址无效，请在“工具 → 服务设置…”中填写 http(s) 地址";
inline constexpr QStringView noItemsText = u"开放平台没有找到与关键词相符的商品";

// The explanation of an error_response: a few codes in words of their own, any other by the
// gateway's sub_msg (else msg) with its code.
QString errorMessage(const TopError &error, const QString &secret);

// The longest a call-limit answer holds callers back, in seconds.
inline constexpr double maxCallLimitWait = 3600;

// For the call-limit answer (code 7): how many seconds the gateway asks callers to wait (at most
// maxCallLimitWait), -1 when it names none; nothing for any other answer.
std::optional<double> callLimitSeconds(const TopError &error);

// The gateway answered with an HTTP status other than success.
QString httpErrorMessage(int status, const QString &secret);

// The connection failed; `detail` is the network's own description.
QString networkErrorMessage(const QString &detail, const QString &secret);

// `text` with every occurrence of `secret` masked.
QString withoutSecret(QString text, const QString &secret);

// The pages of the open platform's retrieval, beside the ones it shares with the test tool.
QString failurePage(const QString &reason); // the run stops; `reason` is shown escaped
QString tpwdPage(const QString &title);     // before an item's 淘口令 is asked for

} // namespace openplatform
