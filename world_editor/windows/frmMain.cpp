#include "frmMain.h"

namespace tessaforge {

frmMain::frmMain(QString appPath, QWidget *parent)
    : QMainWindow(parent), m_appPath(std::move(appPath))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tessaforge"));
    resize(800, 600);
}

} // namespace tessaforge
