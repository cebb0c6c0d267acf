#include "windows/ProgramIcon.h"
#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the window to its menu entry and icon where the desktop matches by that name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantaro-keyvane"));
    // The program's icon, on its file dialogs and message boxes too.
    QApplication::setWindowIcon(keyvane::ProgramIcon());
    vt::QtDialogs dialogs;
    keyvane::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    if (!window.start())
        return 1;
    window.startRecovery();
    return app.exec();
}
