// Copying a large template folder: outputfolder::copyTree against the system's own "cp -r" on
// the same tree, in the same temporary folder.
// Usage: bench_templatecopy [files (5000)] [runs (5)]
#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "outputfolder.h"

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int files = args.size() > 1 ? args.at(1).toInt() : 5000;
    const int runs = args.size() > 2 ? args.at(2).toInt() : 5;

    QTemporaryDir dir;
    const QString source = dir.filePath(u"template"_qs);
    // A template as a shop might make one: 50 folders of small pictures.
    for (int i = 0; i < files; ++i) {
        const QString folder = source + u"/img"_qs + QString::number(i % 50);
        QDir().mkpath(folder);
        QFile file(folder + u'/' + QString::number(i) + u".gif"_qs);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(600, 'x')) != 600) {
            std::fprintf(stderr, "cannot prepare %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }

    QList<double> ours, system;
    for (int run = 0; run < runs; ++run) {
        const QString a = dir.filePath(u"ours"_qs + QString::number(run));
        QElapsedTimer clock;
        clock.start();
        if (!outputfolder::copyTree(source, a))
            return 1;
        ours.append(clock.nsecsElapsed() / 1e6);

        const QString b = dir.filePath(u"cp"_qs + QString::number(run));
        clock.restart();
        if (QProcess::execute(u"cp"_qs, {u"-r"_qs, source, b}) != 0)
            return 1;
        system.append(clock.nsecsElapsed() / 1e6);
    }
    std::printf("%d files, median of %d: copyTree %.0f ms, cp -r %.0f ms (%.2fx)\n", files, runs,
                median(ours), median(system), median(ours) / median(system));
    return 0;
}
