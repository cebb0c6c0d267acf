#include "ChildWindows.h"

#include "frmMain.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

namespace tessaforge {

frmLevelTiles::frmLevelTiles(frmMain &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("frmLevelTiles"));
    setWindowTitle(QStringLiteral("Level Tiles"));
    resize(200, 360);
}

void frmLevelTiles::ResetMe()
{
    if (m_main.areaEditor()) {
        m_main.areaEditor()->bForceShowEnemy = false;
        m_main.areaEditor()->bForceShowTags = false;
    }
}

void frmLevelTiles::closeEvent(QCloseEvent *event)
{
    m_main.bTileWindowOpen = false;
    if (m_main.tMode != 0) {
        m_main.tMode = 0;
        m_main.curTileX = 0;
        m_main.curTileY = 0;
    }
    event->accept();
}

frmMapScreenEdit::frmMapScreenEdit(frmMain &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("frmMapScreenEdit"));
    setWindowTitle(QStringLiteral("World Map Editor"));
    resize(640, 480);
}

void frmMapScreenEdit::ShowMe(const QString &sWorldPath)
{
    m_worldPath = sWorldPath;
}

void frmMapScreenEdit::KillMe()
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}

bool frmMapScreenEdit::SaveChanges()
{
    return false;
}

void frmMapScreenEdit::AddNode() {}

void frmMapScreenEdit::KillNode() {}

} // namespace tessaforge
