#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    vt::QtDialogs dialogs;
    skinloft::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    window.start();
    return app.exec();
}
