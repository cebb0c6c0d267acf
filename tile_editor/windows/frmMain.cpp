#include "frmMain.h"

namespace tilemarrow {

frmMain::frmMain(QString appPath, QWidget *parent)
    : QMainWindow(parent), m_appPath(std::move(appPath))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vantaro Tileset Editor"));
    resize(524, 251);
}

} // namespace tilemarrow
