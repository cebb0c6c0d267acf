#include "windows/ProgramIcon.h"
#include "windows/frmMain.h"

#include "Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>


int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the window to its menu entry and icon where the desktop matches by that name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantaro-tessaforge"));
    QApplication::setWindowIcon(tessaforge::ProgramIcon());
    vt::QtDialogs dialogs;
    // One editor per user at a time: two would overwrite each other's world details.
    QLockFile instanceLock(QDir::temp().filePath(
        QStringLiteral("Tessaforge-%1.lock").arg(QString::fromLocal8Bit(qgetenv("USER")))));
    tessaforge::frmMain window(QCoreApplication::applicationDirPath(), dialogs);
    if (!window.start(&instanceLock))
        return 0;
    return app.exec();
}
