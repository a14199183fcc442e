#include "publishtarget.h"

#include <algorithm>

#include <QUrl>
#include <QUrlQuery>

#include "publishtexts.h"
#include "textops.h"

namespace publishtarget {

namespace {

std::optional<Target> refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

// A NUL would cut the value short where rclone reads it; any other control character has no place
// in an address either.
bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return textops::isControlOrBidi(c); });
}

} // namespace

std::optional<Target> parse(const QString &address, QString *error)
{
    const QString trimmed = address.trimmed();
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    Target target;
    if (scheme == u"sftp")
        target.kind = Kind::Sftp;
    else if (scheme == u"ftp")
        target.kind = Kind::Ftp;
    else if (scheme == u"ftps")
        target.kind = Kind::Ftps;
    else if (scheme == u"webdav+https" || scheme == u"webdav+http")
        target.kind = Kind::WebDav, target.scheme = scheme.mid(7);
    else if (scheme == u"s3")
        target.kind = Kind::S3;
    else
        return refuse(error, publishtexts::badScheme);
    if (!url.isValid() || hasControl(trimmed))
        return refuse(error, publishtexts::badScheme);
    if (!url.password().isEmpty())
        return refuse(error, publishtexts::badScheme);
    // "%E2%79%AF" is no text at all: decoded, it would name a folder of replacement characters
    // that the user never wrote.
    if (!textops::isUtf8(QByteArray::fromPercentEncoding(url.toEncoded())))
        return refuse(error, publishtexts::badEncoding);
    target.host = url.host(QUrl::FullyDecoded);
    target.user = url.userName(QUrl::FullyDecoded);
    target.port = url.port();
    if (target.port == 0)
        return refuse(error, publishtexts::badPort);
    const bool s3 = target.kind == Kind::S3;
    if (target.host.isEmpty() || hasControl(target.host))
        return refuse(error, s3 ? publishtexts::noBucket : publishtexts::noHost);
    if (target.user.isEmpty() || hasControl(target.user))
        return refuse(error, s3 ? publishtexts::noKeyId : publishtexts::noUser);
    // A sync deletes whatever the target holds that www/ does not, so the path must name a folder
    // below the root (or the home, or the bucket) once decoded: "." or ".." in any form would name
    // the root itself, or something above it.
    const QString decoded = url.path(QUrl::FullyDecoded);
    const bool belowHome = !s3 && decoded.startsWith(u"/~/");
    const QStringList segments = decoded.mid(belowHome ? 3 : 0).split(u'/', Qt::SkipEmptyParts);
    const bool unsafe = std::any_of(segments.begin(), segments.end(), [](const QString &segment) {
        return segment == u"." || segment == u".." || hasControl(segment);
    });
    if (segments.isEmpty() || unsafe || (!s3 && segments == QStringList{u"~"_qs}))
        return refuse(error, publishtexts::noPath);
    // "/~/www" is "www" below the login's home; anything else is as given.
    target.path = (s3 || belowHome ? QString() : u"/"_qs) + segments.join(u'/');
    if (s3) {
        const QUrlQuery query(url);
        target.endpoint = query.queryItemValue(u"endpoint"_qs, QUrl::FullyDecoded);
        target.region = query.queryItemValue(u"region"_qs, QUrl::FullyDecoded);
        if (target.endpoint.isEmpty())
            return refuse(error, publishtexts::noEndpoint);
    }
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (hasControl(key) || hasControl(value))
            return refuse(error, publishtexts::badScheme);
    }
    return target;
}

QString remotePath(const Target &target)
{
    const QString path = target.kind == Kind::S3 ? target.host + u'/' + target.path : target.path;
    return remoteName.toString() + u':' + path;
}

QStringList syncOptions(const Target &target)
{
    // A file is sent when it changed after its last upload, as the server's clock has it.
    if (target.kind == Kind::WebDav || target.kind == Kind::Ftp || target.kind == Kind::Ftps)
        return {u"--update"_qs, u"--use-server-modtime"_qs};
    return {};
}

QString hostPattern(const Target &target)
{
    return target.port <= 0 || target.port == 22
               ? target.host
               : u'[' + target.host + u"]:"_qs + QString::number(target.port);
}

bool wantsObscured(const Target &target)
{
    return target.kind != Kind::S3;
}

QProcessEnvironment environment(const Target &target, const QString &secret)
{
    QProcessEnvironment env;
    const QString prefix = u"RCLONE_CONFIG_"_qs + remoteName.toString().toUpper() + u'_';
    const auto set = [&](const QString &key, const QString &value) {
        if (!value.isEmpty())
            env.insert(prefix + key, value);
    };
    const QString port = target.port > 0 ? QString::number(target.port) : QString();
    switch (target.kind) {
    case Kind::Sftp:
    case Kind::Ftp:
    case Kind::Ftps:
        set(u"TYPE"_qs, target.kind == Kind::Sftp ? u"sftp"_qs : u"ftp"_qs);
        set(u"HOST"_qs, target.host);
        set(u"PORT"_qs, port);
        set(u"USER"_qs, target.user);
        set(u"PASS"_qs, secret);
        if (target.kind == Kind::Sftp)
            set(u"KNOWN_HOSTS_FILE"_qs, target.knownHosts);
        if (target.kind == Kind::Ftps)
            set(u"TLS"_qs, u"true"_qs);
        break;
    case Kind::WebDav: {
        QUrl base;
        base.setScheme(target.scheme);
        base.setHost(target.host);
        base.setPort(target.port);
        set(u"TYPE"_qs, u"webdav"_qs);
        set(u"URL"_qs, base.toString(QUrl::FullyEncoded));
        set(u"VENDOR"_qs, u"other"_qs);
        set(u"USER"_qs, target.user);
        set(u"PASS"_qs, secret);
        break;
    }
    case Kind::S3:
        set(u"TYPE"_qs, u"s3"_qs);
        set(u"PROVIDER"_qs, u"Other"_qs);
        set(u"ENDPOINT"_qs, target.endpoint);
        set(u"REGION"_qs, target.region);
        set(u"ACCESS_KEY_ID"_qs, target.user);
        set(u"SECRET_ACCESS_KEY"_qs, secret);
        break;
    }
    return env;
}

} // namespace publishtarget
