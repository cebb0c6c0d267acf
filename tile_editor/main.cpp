#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    vt::QtDialogs dialogs;
    tilemarrow::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    window.show();
    return app.exec();
}
