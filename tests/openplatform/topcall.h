#pragma once

#include <algorithm>

#include <QCryptographicHash>
#include <QList>
#include <QMessageAuthenticationCode>
#include <QPair>
#include <QString>

// Reading a call as the gateway received it, and checking its signature from first principles
// (not with the program's own signing code).
namespace topcall {

using Form = QList<QPair<QString, QString>>;

inline Form decodeForm(const QByteArray &body)
{
    Form form;
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        QByteArray name = pair.first(eq < 0 ? pair.size() : eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.sliced(eq + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        form.append({QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                     QString::fromUtf8(QByteArray::fromPercentEncoding(value))});
    }
    return form;
}

inline QString value(const Form &form, const QString &name)
{
    for (const auto &[key, v] : form) {
        if (key == name)
            return v;
    }
    return QString();
}

// The signature the gateway expects for `form` with `secret`, by the call's own sign_method.
inline QString expectedSign(const Form &form, const QString &secret)
{
    QList<QPair<QByteArray, QByteArray>> sorted;
    for (const auto &[name, v] : form) {
        if (name != u"sign")
            sorted.append({name.toUtf8(), v.toUtf8()});
    }
    std::sort(sorted.begin(), sorted.end());
    QByteArray joined;
    for (const auto &[name, v] : sorted)
        joined += name + v;
    const QString method = value(form, u"sign_method"_qs);
    const QByteArray key = secret.toUtf8();
    QByteArray digest;
    if (method == u"md5")
        digest = QCryptographicHash::hash(QByteArray(key + joined + key), QCryptographicHash::Md5);
    else if (method == u"hmac")
        digest = QMessageAuthenticationCode::hash(joined, key, QCryptographicHash::Md5);
    else
        digest = QMessageAuthenticationCode::hash(joined, key, QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex().toUpper());
}

} // namespace topcall
