#include "windows/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tilemarrow::frmMain window(QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
