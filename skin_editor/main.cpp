#include "windows/ProgramIcon.h"
#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the window to its menu entry and icon where the desktop matches by that name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantaro-skinloft"));
    // The program's icon, on its file dialogs and message boxes too.
    QApplication::setWindowIcon(skinloft::ProgramIcon());
    vt::QtDialogs dialogs;
    skinloft::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    window.start();
    window.startRecovery();
    return app.exec();
}
