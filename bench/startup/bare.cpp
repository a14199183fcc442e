// The floor for start-up: a bare Qt WebEngine window that shows one small page, and says so on
// the same log line the program uses when its start page is shown.
#include <cstdio>

#include <QApplication>
#include <QWebEngineView>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWebEngineView view;
    view.resize(800, 600);
    QObject::connect(&view, &QWebEngineView::loadFinished, &view, [](bool ok) {
        if (!ok)
            return;
        std::fputs("start page shown\n", stderr);
        std::fflush(stderr);
    });
    view.show();
    view.setHtml(QStringLiteral("<center>页面载入中..."));
    return app.exec();
}
