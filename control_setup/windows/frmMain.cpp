#include "frmMain.h"

namespace keyvane {

frmMain::frmMain(QString appPath, QWidget *parent)
    : QMainWindow(parent), m_appPath(std::move(appPath))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Vantaro Control Setup"));
    resize(192, 242);
}

} // namespace keyvane
