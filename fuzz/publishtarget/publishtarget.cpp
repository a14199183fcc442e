// Publish targets: whatever the address, it is refused, or it names a folder below the server's
// root (or the login's home, or the bucket) with no control character anywhere rclone is told of
// it, and the password goes only to the environment, never to rclone's command line.
//
// Input: the address, 0x1F, the password (see fuzzinput::text).

#include <algorithm>
#include <cstdint>

#include <QUrl>

#include "fuzzinput.h"
#include "publishrun.h"
#include "publishtarget.h"
#include "textops.h"

namespace {

bool clean(QStringView text)
{
    for (const QChar c : text) {
        if (c.isNull() || textops::isControlOrBidi(c))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const QString address = fuzzinput::text(fuzzinput::takePart(rest));
    const QString secret = fuzzinput::text(rest);

    QString error;
    const std::optional<publishtarget::Target> target = publishtarget::parse(address, &error);
    if (!target) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    // A password written into the address would end up on rclone's command line or in 站点.ini.
    FUZZ_CHECK(QUrl(address.trimmed(), QUrl::StrictMode).password().isEmpty());
    FUZZ_CHECK(!target->host.isEmpty() && !target->user.isEmpty());
    for (const QString &field : {target->host, target->user, target->path, target->endpoint, target->region})
        FUZZ_CHECK(clean(field));

    // The folder: named, below the root, with no step up or in place.
    const bool s3 = target->kind == publishtarget::Kind::S3;
    QString path = target->path;
    if (!s3 && path.startsWith(u'/'))
        path.remove(0, 1);
    FUZZ_CHECK(!path.isEmpty() && !path.startsWith(u'/') && !path.endsWith(u'/'));
    const QStringList segments = path.split(u'/');
    for (const QString &segment : segments)
        FUZZ_CHECK(!segment.isEmpty() && segment != u"." && segment != u"..");
    // "~" alone is the login's home to some servers.
    if (!s3)
        FUZZ_CHECK(segments != QStringList{u"~"_qs});
    FUZZ_CHECK(publishtarget::remotePath(*target) ==
               u"taoyefang:"_qs + (s3 ? target->host + u'/' : QString()) + target->path);

    // The same address is the same target.
    const std::optional<publishtarget::Target> again = publishtarget::parse(address, nullptr);
    FUZZ_CHECK(again && again->path == target->path && again->host == target->host);

    // The secret is in the environment only, under the one variable rclone reads it from.
    const QProcessEnvironment env = publishtarget::environment(*target, secret);
    for (const QString &key : env.keys()) {
        FUZZ_CHECK(clean(key));
        const bool secretKey = key.endsWith(u"_PASS") || key.endsWith(u"_SECRET_ACCESS_KEY");
        FUZZ_CHECK(secretKey ? env.value(key) == secret : clean(env.value(key)));
    }
    // The command line is made of rclone's own words and what the address says. A secret with a
    // character found in neither could only get there by leaking. (Comparing whole strings would
    // not do: a secret ":/s" is in "taoyefang:/s" without being in either part.)
    publishtarget::Target plain = *target;
    plain.host = plain.user = plain.path = u"x"_qs;
    const QString told = QStringList{publish::syncArguments(u"/site/www"_qs, plain, false).join(u'\n'),
                                     address,
                                     target->host,
                                     target->user,
                                     target->path,
                                     target->endpoint,
                                     target->region,
                                     QString::number(target->port)}
                             .join(u'\n');
    const bool distinctive =
        std::any_of(secret.begin(), secret.end(), [&](QChar c) { return !told.contains(c); });
    for (const QString &argument : publish::syncArguments(u"/site/www"_qs, *target, false)) {
        FUZZ_CHECK(clean(argument));
        FUZZ_CHECK(!distinctive || !argument.contains(secret));
    }
    return 0;
}
