#include "topsign.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

namespace openplatform {

QString sign(const Parameters &parameters, const QString &secret, itemsource::SignMethod method)
{
    QList<std::pair<QByteArray, QByteArray>> sorted;
    for (const auto &[name, value] : parameters) {
        if (name != u"sign")
            sorted.append({name.toUtf8(), value.toUtf8()});
    }
    // Byte order of the names; QByteArray compares bytes as unsigned.
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QByteArray joined;
    for (const auto &[name, value] : sorted)
        joined += name + value;

    const QByteArray key = secret.toUtf8();
    QByteArray digest;
    switch (method) {
    case itemsource::SignMethod::Md5:
        digest = QCryptographicHash::hash(QByteArray(key + joined + key), QCryptographicHash::Md5);
        break;
    case itemsource::SignMethod::Hmac:
        digest = QMessageAuthenticationCode::hash(joined, key, QCryptographicHash::Md5);
        break;
    case itemsource::SignMethod::HmacSha256:
        digest = QMessageAuthenticationCode::hash(joined, key, QCryptographicHash::Sha256);
        break;
    }
    return QString::fromLatin1(digest.toHex().toUpper());
}

} // namespace openplatform
