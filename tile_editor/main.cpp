#include "windows/ProgramIcon.h"
#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the window to its menu entry and icon where the desktop matches by that name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantaro-tilemarrow"));
    // The program's icon, on its file dialogs and message boxes too.
    QApplication::setWindowIcon(tilemarrow::ProgramIcon());
    vt::QtDialogs dialogs;
    tilemarrow::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    window.show();
    window.startRecovery();
    return app.exec();
}
