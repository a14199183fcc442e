#pragma once

#include <QHash>
#include <QString>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>

// The program's own addresses inside the browser pane:
//  - "taoyefang://help/..." serves the help site that ships beside the executable, so help works
//    without a network;
//  - "taoyefang-status://page/" is the origin of status pages. It has no handler that serves
//    anything and no access to local files, and the guard below stops every request such a page
//    makes, so text from outside the program that a status page shows cannot read or send data.
namespace schemes {

inline constexpr char helpScheme[] = "taoyefang";
inline constexpr char statusScheme[] = "taoyefang-status";

QString defaultHelpBaseUrl();
QUrl statusPageBaseUrl();

// Must run before the application object is created.
void registerSchemes();

} // namespace schemes

// Serves the files of the shipped help site; ".php" pages are HTML. The pages' marked phrases
// that name the program's folders show the real paths (see helpplaces.h).
class HelpSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    HelpSchemeHandler(const QString &root, QObject *parent);
    void requestStarted(QWebEngineUrlRequestJob *job) override;
    void setPlaces(const QHash<QString, QString> &places) { m_places = places; }

private:
    QString m_root;
    QHash<QString, QString> m_places;
};

// Answers every request to the status origin with "not found".
class StatusSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob *job) override;
};

// Blocks every sub-resource (pictures, frames, scripts, fetches) that a status page asks for, and
// every local file a page asks for outside its own folder.
class StatusPageGuard final : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // `request` is a local file that a page at `page` may not read: outside the page's folder, or
    // asked for by a page that is no local file.
    static bool isOutsidePageFolder(const QUrl &page, const QUrl &request);
};
