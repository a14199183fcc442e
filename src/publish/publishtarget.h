#pragma once

#include <optional>

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Where a site is published, as its address in 站点.ini says:
//   sftp://用户@主机[:端口]/路径           ftp://… / ftps://… (TLS from the first byte)
//   webdav+https://用户@主机[:端口]/路径   webdav+http://…
//   s3://密钥ID@桶/前缀?endpoint=…&region=…  (S3-compatible storage: OSS, COS, MinIO …)
// The address never holds the password; it is handed to rclone through the child's environment.
namespace publishtarget {

enum class Kind { Sftp, Ftp, Ftps, WebDav, S3 };

struct Target
{
    Kind kind = Kind::Sftp;
    QString scheme; // for webdav: http or https
    QString host;   // for s3: the bucket
    int port = -1;
    QString user; // for s3: the access key ID
    QString path; // below the host (or the bucket); never the whole server
    QString endpoint;
    QString region;
    QString knownHosts; // sftp: the file of host keys the server must show one of
};

// The target `address` names, or nothing with `error` set.
std::optional<Target> parse(const QString &address, QString *error);

// The name rclone knows the remote by (its environment variables are RCLONE_CONFIG_<NAME>_…).
inline constexpr QStringView remoteName = u"taoyefang";

// "taoyefang:路径", the remote side of a sync.
QString remotePath(const Target &target);

// The variables that define the remote for one rclone call; `secret` is as rclone stores it
// (obscured, except an S3 secret key, which rclone takes as it is).
QProcessEnvironment environment(const Target &target, const QString &secret);

// What rclone must be told to see changed files on this kind: plain WebDAV and many FTP servers
// keep no file times, and comparing sizes alone would miss a page rewritten at the same length.
QStringList syncOptions(const Target &target);

// How known_hosts names the target's server: "主机", or "[主机]:端口" on another port than 22.
QString hostPattern(const Target &target);

// Whether rclone wants the secret obscured for this kind.
bool wantsObscured(const Target &target);

} // namespace publishtarget
