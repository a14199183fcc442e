#include "topmessages.h"

#include <algorithm>

#include <QRegularExpression>

namespace openplatform {

QString withoutSecret(QString text, const QString &secret)
{
    if (!secret.isEmpty())
        text.replace(secret, u"******"_qs);
    return text;
}

std::optional<double> callLimitSeconds(const TopError &error)
{
    if (error.code != u"7")
        return std::nullopt;
    // "This ban will last for 5 more seconds". Other numbers in the text (an app key, a limit)
    // say nothing about the wait, and no answer holds a batch back for more than an hour.
    static const QRegularExpression seconds(u"last\\s+for\\s+(\\d+(?:\\.\\d+)?)"_qs,
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = seconds.match(error.subMsg);
    if (!match.hasMatch())
        return -1.0;
    return std::min(match.captured(1).toDouble(), maxCallLimitWait);
}

QString errorMessage(const TopError &error, const QString &secret)
{
    const QString &code = error.code;
    QString message;
    if (code == u"25") {
        message = u"签名无效（请检查 AppSecret 与签名方式）"_qs;
    } else if (code == u"28" || code == u"29") {
        message = u"AppKey 无效（请检查 AppKey）"_qs;
    } else if (code == u"30" || code == u"31") {
        message = u"时间戳无效（请校准本机时间）"_qs;
    } else if (const std::optional<double> wait = callLimitSeconds(error)) {
        message = *wait >= 0 ? u"调用过于频繁，请 "_qs + QString::number(*wait) + u" 秒后再试"_qs
                             : u"调用过于频繁，请稍后再试"_qs;
    } else if (code == u"11") {
        message = u"应用没有此接口的权限（请在开放平台为应用申请淘宝客接口权限）"_qs;
    } else {
        const QString said = error.subMsg.isEmpty() ? error.msg : error.subMsg;
        message = (said.isEmpty() ? u"开放平台返回错误"_qs : said) + u"（错误码 "_qs +
                  (code.isEmpty() ? u"未知"_qs : code) + u"）"_qs;
    }
    return withoutSecret(message, secret);
}

QString httpErrorMessage(int status, const QString &secret)
{
    return withoutSecret(u"开放平台网关返回 HTTP 错误 "_qs + QString::number(status) + u"，请检查网关地址"_qs,
                         secret);
}

QString networkErrorMessage(const QString &detail, const QString &secret)
{
    return withoutSecret(u"无法连接开放平台网关（"_qs + detail + u"）"_qs, secret);
}

QString failurePage(const QString &reason)
{
    return u"about:<br/><br/><br/><br/><br/><br/><br/><center>通过开放平台获取商品数据失败：<b>"_qs +
           reason.toHtmlEscaped() + u"</b><br/><br/>请检查后点击开始生成按钮重新尝试生成..."_qs;
}

QString tpwdPage(const QString &title)
{
    // The title goes in as the reply gave it, as on the short-link pages.
    return u"about:<center><br/><br/><br/>正在为商品<"_qs + title + u">生成淘口令..."_qs;
}

} // namespace openplatform
