#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    vt::QtDialogs dialogs;
    keyvane::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    if (!window.start())
        return 1;
    return app.exec();
}
