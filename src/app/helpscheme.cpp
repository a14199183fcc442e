#include "helpscheme.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "helpplaces.h"

namespace schemes {

QString defaultHelpBaseUrl()
{
    return QString::fromLatin1(helpScheme) + u"://help/"_qs;
}

QUrl statusPageBaseUrl()
{
    return QUrl(QString::fromLatin1(statusScheme) + u"://page/"_qs);
}

void registerSchemes()
{
    QWebEngineUrlScheme help(helpScheme);
    help.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    help.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(help);

    QWebEngineUrlScheme status(statusScheme);
    status.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(status);
}

} // namespace schemes

HelpSchemeHandler::HelpSchemeHandler(const QString &root, QObject *parent)
    : QWebEngineUrlSchemeHandler(parent)
    , m_root(root)
{
}

void HelpSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    QString name = QDir::cleanPath(job->requestUrl().path());
    if (name.startsWith(u'/'))
        name.remove(0, 1);
    if (name.isEmpty() || name == u"."_qs)
        name = u"index.html"_qs;
    // cleanPath leaves a leading ".." when a path tries to climb out of the site.
    const QFileInfo info(QDir(m_root).filePath(name));
    if (name.startsWith(u".."_qs) || !info.isFile()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto *file = new QFile(info.filePath(), job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::RequestFailed);
        return;
    }
    const QString suffix = info.suffix().toLower();
    if (suffix == u"php"_qs || suffix == u"html"_qs || suffix == u"htm"_qs) {
        // The help site is written in UTF-8.
        auto *page = new QBuffer(job);
        page->setData(fillPlaces(QString::fromUtf8(file->readAll()), m_places).toUtf8());
        page->open(QIODevice::ReadOnly);
        job->reply("text/html; charset=utf-8", page);
        return;
    }
    job->reply(QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).name().toLatin1(), file);
}

void StatusSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
}

bool StatusPageGuard::isOutsidePageFolder(const QUrl &page, const QUrl &request)
{
    if (!request.isLocalFile())
        return false;
    if (!page.isLocalFile())
        return true;
    // A folder's listing is the folder itself; a page's folder is the one that holds it.
    const QString pagePath =
        QDir::cleanPath(page.toLocalFile()) + (page.path().endsWith(u'/') ? u"/"_qs : QString());
    const QString folder = pagePath.left(pagePath.lastIndexOf(u'/') + 1);
    return folder.isEmpty() || !QDir::cleanPath(request.toLocalFile()).startsWith(folder);
}

void StatusPageGuard::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
        return;
    const bool fromStatusPage = info.firstPartyUrl().scheme() == QLatin1StringView(schemes::statusScheme) ||
                                info.initiator().scheme() == QLatin1StringView(schemes::statusScheme);
    // A page on disk (a generated page, a template's preview) loads its own pictures and styles,
    // but reads nothing beside its folder: not 设置.ini, not another page. Switching the engine's
    // LocalContentCanAccessFileUrls off would do that too, and keep the page's own pictures out.
    if (fromStatusPage || isOutsidePageFolder(info.firstPartyUrl(), info.requestUrl()))
        info.block(true);
}
