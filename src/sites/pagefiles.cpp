#include "pagefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "wholefile.h"

namespace pagefiles {

namespace {

// Thousands of pages of a few dozen files each; anything larger is no record.
constexpr qint64 maxFileSize = 16 * 1024 * 1024;
constexpr int formatVersion = 1;

QString pathIn(const QString &siteFolder)
{
    return QDir(siteFolder).filePath(fileName.toString());
}

} // namespace

Record read(const QString &siteFolder)
{
    // Never through a link: a record pointed elsewhere could name the user's files as ours.
    const QString path = pathIn(siteFolder);
    if (QFileInfo(path).isSymLink())
        return {};
    const std::optional<QByteArray> bytes = readRegularFile(path, maxFileSize);
    if (!bytes)
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes);
    if (!document.isObject() || document[u"version"].toInt() != formatVersion)
        return {};
    Record record;
    const QJsonObject pages = document[u"pages"].toObject();
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        if (it.key().isEmpty() || !it.value().isArray())
            continue;
        QStringList files;
        for (const QJsonValue &file : it.value().toArray()) {
            if (file.isString() && !file.toString().isEmpty())
                files.append(file.toString());
        }
        record.insert(it.key(), files);
    }
    return record;
}

bool write(const QString &siteFolder, const Record &record)
{
    QJsonObject pages;
    for (auto it = record.cbegin(); it != record.cend(); ++it)
        pages.insert(it.key(), QJsonArray::fromStringList(*it));
    const QJsonObject root{{u"version"_qs, formatVersion}, {u"pages"_qs, pages}};
    const QString path = pathIn(siteFolder);
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return false;
    return writeWholeFile(path, QJsonDocument(root).toJson(QJsonDocument::Compact));
}

} // namespace pagefiles
