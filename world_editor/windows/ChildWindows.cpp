#include "ChildWindows.h"

#include "frmMain.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

namespace tessaforge {

frmLevelEdit::frmLevelEdit(frmMain &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("frmLevelEdit"));
    setWindowTitle(QStringLiteral("Area Editor"));
    resize(480, 360);
}

void frmLevelEdit::SetLevel(const QString &sFile)
{
    if (!m_main.state().bAreaWindowOpen)
        return;
    m_sCurAreaFile = sFile;
}

void frmLevelEdit::DrawLevel()
{
    if (!m_main.state().bAreaWindowOpen)
        return;
    update();
}

void frmLevelEdit::NewArea()
{
    m_sCurAreaFile.clear();
}

bool frmLevelEdit::SaveArea()
{
    return false;
}

void frmLevelEdit::ZoomIn()
{
    if (m_main.state().bAreaWindowOpen && lZoom < 32)
        lZoom += 8;
}

void frmLevelEdit::ZoomOut()
{
    if (m_main.state().bAreaWindowOpen && lZoom > 8)
        lZoom -= 8;
}

void frmLevelEdit::ToggleSideWarp() {}

void frmLevelEdit::SetStartPos() {}

void frmLevelEdit::ResizeArea() {}

void frmLevelEdit::closeEvent(QCloseEvent *event)
{
    m_main.state().bAreaWindowOpen = false;
    event->accept();
}

} // namespace tessaforge
