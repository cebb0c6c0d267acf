#include "windows/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    skinloft::frmMain window(QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
