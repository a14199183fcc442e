#include <QApplication>

#include "form1.h"

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    Form1 window;
    window.show();
    return app.exec();
}
