#pragma once

// What the benchmarks of batches and sites share: a catalogue where every keyword finds 40 items,
// the shipped templates in a program folder, and the peak memory of the process.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <QTemporaryDir>

#include "appsetup.h"
#include "catalogue.h"
#include "demoservice.h"
#include "httpserver.h"

namespace benchsupport {
inline constexpr int maxKeywords = 100;

inline QString keywordTag(int n)
{
    return u"k"_qs + QString::number(n).rightJustified(3, u'0');
}

// Every dress of the shipped catalogue four times under new numbers (56 in all), each carrying the
// tags k001..k100, so each keyword "连衣裙 kNNN" finds 40 items and names its own page.
inline demo::Catalogue benchCatalogue()
{
    QFile file(u":/demo-server/catalogue.tsv"_qs);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the demo catalogue is missing");
    QStringList tags;
    for (int n = 1; n <= maxKeywords; ++n)
        tags << keywordTag(n);
    QStringList out;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        QStringList cells = line.split(u'\t');
        if (cells.size() < 3 || cells[1] != u"dress") {
            out << line;
            continue;
        }
        cells[2] += u' ' + tags.join(u' ');
        for (int copy = 0; copy < 4; ++copy) {
            QStringList copied = cells;
            if (copy > 0)
                copied[0] = QString::number(copy) + copied[0];
            out << copied.join(u'\t');
        }
    }
    QString error;
    demo::Catalogue catalogue = demo::Catalogue::fromTsv(out.join(u'\n'), &error);
    if (!error.isEmpty())
        qFatal("catalogue: %s", qPrintable(error));
    return catalogue;
}

inline void copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
    }
}

// Peak resident set size of this process so far, in KiB (Linux).
inline long peakResidentKiB()
{
    QFile status(u"/proc/self/status"_qs);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The demo service with the bench catalogue on a loopback port, and a program folder with the
// shipped templates whose set-up points at it.
struct BenchProgram
{
    const demo::Catalogue catalogue = benchCatalogue();
    demo::DemoService service{catalogue};
    httpkit::Server server{[this](const httpkit::Request &request) {
        return service.handle(request);
    }};
    QTemporaryDir dir;
    AppSetup setup;

    explicit BenchProgram(int latencyMs = 0)
    {
        service.setLatency(latencyMs);
        if (!server.listen())
            qFatal("cannot listen");
        const QString host = u"127.0.0.1:"_qs + QString::number(server.port());
        service.setOrigin(u"http://"_qs + host);
        copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR) + u"/data/模板"_qs, dir.filePath(u"模板"_qs));
        setup = AppSetup::inProgramFolder(dir.path());
        setup.hosts = {host, host, host};
    }
};

} // namespace benchsupport
