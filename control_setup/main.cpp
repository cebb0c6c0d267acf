#include "windows/frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    keyvane::frmMain window(QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
