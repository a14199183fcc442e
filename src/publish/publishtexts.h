#pragma once

#include <QString>

// What publishing says to the user, on the command line and in the window alike.
namespace publishtexts {

inline const QString noRclone =
    u"找不到rclone,请先安装Debian软件包rclone(sudo apt install rclone) / rclone not found: install "
    "the Debian package rclone"_qs;
inline const QString badScheme =
    u"发布地址应以sftp://、ftp://、ftps://、webdav+https://、webdav+http://或s3://开头"_qs;
inline const QString noHost = u"发布地址缺少主机"_qs;
inline const QString noUser = u"发布地址缺少用户名(用户@主机)"_qs;
inline const QString noPath = u"发布地址缺少路径:整个服务器或主目录不能作为发布目标"_qs;
inline const QString badEncoding = u"发布地址中的%编码不是有效的UTF-8文字"_qs;
inline const QString badPort = u"发布地址的端口无效"_qs;
inline const QString noBucket = u"发布地址缺少存储桶"_qs;
inline const QString noEndpoint = u"s3发布地址需要endpoint=…"_qs;
inline const QString noKeyId = u"s3发布地址需要访问密钥ID(s3://密钥ID@桶/前缀)"_qs;
inline const QString noTarget = u"还没有设置发布地址(site target) / no target set"_qs;
inline const QString noPassword = u"没有保存发布密码 / no password stored"_qs;
inline const QString failed = u"发布失败,远端未改变 / publishing failed, the target is unchanged"_qs;
// %1 files sent and %2 deleted before it failed.
inline const QString failedPartly =
    u"发布中途失败,远端已部分改变(上传%1个文件,删除%2个文件),下次发布会补齐 / publishing failed part-way "
    "(%1 sent, %2 deleted); the next publish completes it"_qs;
inline const QString timedOut = u"超时,已停止rclone / timed out, rclone stopped"_qs;
inline const QString cancelled = u"已取消发布 / publishing cancelled"_qs;
inline const QString noKeyscan =
    u"找不到ssh-keyscan,请先安装Debian软件包openssh-client / ssh-keyscan not found: "
    "install the Debian package openssh-client"_qs;
inline const QString noHostKey = u"无法取得服务器的主机密钥 / cannot get the server's host key"_qs;
inline const QString hostKeyShown = u"服务器的主机密钥指纹 / the server's host key fingerprints:"_qs;
inline const QString hostKeyDiffers =
    u"警告:与上次确认的主机密钥不同,可能有人冒充服务器 / WARNING: these differ from the keys confirmed "
    "before; someone may be posing as the server"_qs;
inline const QString hostKeyQuestion = u"是否信任此服务器? / trust this server?"_qs;
inline const QString hostKeyUnconfirmed =
    u"主机密钥未确认:在终端中确认,或核对指纹后加--accept-host-key / the host key is not confirmed: "
    "confirm it on a terminal, or check the fingerprint and give --accept-host-key"_qs;
inline const QString hostKeyUnknown =
    u"还没有确认服务器的主机密钥,请重新设置发布地址 / the server's host key "
    "was never confirmed: set the target again"_qs;
inline const QString hostKeyChanged =
    u"服务器的主机密钥变了,可能有人冒充服务器;核实后重新设置发布地址 / the server's host key changed: "
    "someone may be posing as it; check, then set the target again"_qs;
inline const QString fileFallback =
    u"没有运行中的系统密钥环,密码保存在只有本用户可读的文件中 / no keyring service: the password is "
    "kept in a file only you can read: "_qs;
inline const QString cannotStore = u"无法保存发布密码 / cannot store the password"_qs;

} // namespace publishtexts
