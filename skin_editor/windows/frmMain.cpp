#include "frmMain.h"

namespace skinloft {

frmMain::frmMain(QString appPath, QWidget *parent)
    : QMainWindow(parent), m_appPath(std::move(appPath))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("skinloft"));
    resize(358, 253);
}

} // namespace skinloft
