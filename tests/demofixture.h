#pragma once

#include <functional>
#include <optional>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "demoservice.h"
#include "formbody.h"
#include "gbk.h"
#include "httpserver.h"
#include "testpaths.h"

// The demo service on 127.0.0.1 for tests that drive whole runs, with a way to make the item
// query fail for chosen keywords (the service then answers an error, as the real one may) and to
// watch each query as it arrives.
class DemoFixture
{
public:
    QStringList failingKeywords;
    // Called on the test's thread for every item query, before it is answered.
    std::function<void(const QString &keyword)> onQuery;
    // Answers a call of the open platform's gateway in the service's place when it gives an answer.
    std::function<std::optional<httpkit::Response>(const httpkit::Request &)> onCall;

    DemoFixture()
        : m_server([this](const httpkit::Request &request) { return answer(request); })
    {
    }

    bool listen()
    {
        if (!m_server.listen())
            return false;
        m_service.setOrigin(u"http://"_qs + host());
        return true;
    }
    QString host() const { return u"127.0.0.1:"_qs + QString::number(m_server.port()); }
    demo::DemoService &service() { return m_service; }
    QList<httpkit::Request> requests() const { return m_server.requests(); }

    // The keywords of the item queries received, in order.
    QStringList queriedKeywords() const
    {
        QStringList keywords;
        for (const httpkit::Request &request : m_server.requests()) {
            if (request.path == "/apitools/getResult.htm")
                keywords << keywordOf(request);
        }
        return keywords;
    }

private:
    static QString keywordOf(const httpkit::Request &request)
    {
        return demo::decodeText(
            demo::percentDecode(demo::formValue(demo::splitItemQueryForm(request.body), "keyword"), false));
    }

    httpkit::Response answer(const httpkit::Request &request)
    {
        if (request.path == "/router/rest" && onCall) {
            if (std::optional<httpkit::Response> answer = onCall(request))
                return *answer;
        }
        if (request.path == "/apitools/getResult.htm") {
            const QString keyword = keywordOf(request);
            if (onQuery)
                onQuery(keyword);
            if (failingKeywords.contains(keyword)) {
                httpkit::Response response;
                // The test tool's page with the error escaped inside, as the service sends it.
                const QString xml =
                    u"<?xml version=\"1.0\" encoding=\"utf-8\" ?><error_response><code>15</code>"
                    u"<msg>Remote service error</msg><sub_code>isp.remote-service-error</sub_code>"
                    u"<sub_msg>服务暂时不可用</sub_msg></error_response>"_qs;
                response.body = QString(u"<html><body><textarea id=\"resultShow\">"_qs + xml.toHtmlEscaped() +
                                        u"</textarea></body></html>"_qs)
                                    .toUtf8();
                return response;
            }
        }
        return m_service.handle(request);
    }

    demo::DemoService m_service;
    httpkit::Server m_server;
};

// A program folder as the build lays it out: the shipped templates and a settings file whose
// services point at `host`.
namespace programfolder {

inline bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        if (!QFile::copy(source, target))
            return false;
    }
    return true;
}

inline bool writeSettings(const QString &path, const QString &host, const QString &basic)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(gbk::encode(QString(u"[基本设置]\r\n"_qs + basic + u"[服务设置]\r\n接口主机="_qs +
                                          host + u"\r\n短网址主机="_qs + host + u"\r\n图片主机="_qs + host +
                                          u"\r\n"_qs))) > 0;
}

// The shipped templates and 设置.ini in `folder`.
inline bool make(const QString &folder, const QString &host,
                 const QString &basic = u"Text2=30571968\r\nText3=3\r\nCheck1=0\r\nCombo2=0\r\n"_qs)
{
    return QDir().mkpath(folder) &&
           copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR) + u"/data/模板"_qs, folder + u"/模板"_qs) &&
           writeSettings(folder + u"/设置.ini"_qs, host, basic);
}

// The folders directly below `path`, sorted.
inline QStringList subfolders(const QString &path)
{
    return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace programfolder
