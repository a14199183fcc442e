#pragma once

#include <QString>
#include <QStringView>

// Where a run takes its items from, and what the open platform needs to be asked. The texts are
// the values "设置.ini" holds and the settings dialog offers.
namespace itemsource {

enum class Source {
    TestTool,     // the API test tool, the program's first source
    OpenPlatform, // the open platform's signed REST gateway
    Unknown,      // a name the program does not know; runs are refused rather than guessed at
};

inline constexpr QStringView testToolText = u"接口测试工具";
inline constexpr QStringView openPlatformText = u"开放平台";

// No name at all means the test tool, the source older files assume. Any other name is a slip
// (a typo, another program's value), and guessing would fetch from a service the user did not
// choose.
inline Source sourceFromText(QStringView text)
{
    if (text == openPlatformText)
        return Source::OpenPlatform;
    return text.isEmpty() || text == testToolText ? Source::TestTool : Source::Unknown;
}

inline QStringView sourceText(Source source)
{
    return source == Source::OpenPlatform ? openPlatformText : testToolText;
}

enum class SignMethod { Md5, Hmac, HmacSha256 };

// The names the gateway knows, as sent in sign_method.
inline constexpr QStringView md5Text = u"md5";
inline constexpr QStringView hmacText = u"hmac";
inline constexpr QStringView hmacSha256Text = u"hmac-sha256";

// An unknown name signs with the strongest method.
inline SignMethod signMethodFromText(QStringView text)
{
    if (text == md5Text)
        return SignMethod::Md5;
    if (text == hmacText)
        return SignMethod::Hmac;
    return SignMethod::HmacSha256;
}

inline QStringView signMethodText(SignMethod method)
{
    switch (method) {
    case SignMethod::Md5:
        return md5Text;
    case SignMethod::Hmac:
        return hmacText;
    case SignMethod::HmacSha256:
        break;
    }
    return hmacSha256Text;
}

inline constexpr QStringView defaultGateway = u"https://gw.api.taobao.com/router/rest";

// The open platform account the program signs its calls with.
struct OpenPlatformSetup
{
    QString gateway = defaultGateway.toString(); // full address of the REST gateway
    QString appKey;
    QString appSecret; // never shown, logged or written into a page
    SignMethod signMethod = SignMethod::HmacSha256;
    bool makeTpwd = false; // one 淘口令 per item
};

} // namespace itemsource
