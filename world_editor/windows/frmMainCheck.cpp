// Check World: the open world through the mod check, its findings in the Problems dock, and
// the way from a finding to its place.
#include "frmMain.h"

#include "documents/AreaDocument.h"
#include "documents/MapDocument.h"
#include "documents/WorldCheck.h"
#include "frmLevelEdit.h"
#include "frmLevelView.h"
#include "frmMapScreenEdit.h"
#include "frmProblems.h"

#include "AnsiText.h"

#include <QAction>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

namespace tessaforge {

void frmMain::buildProblems()
{
    dockProblems = new QDockWidget(QStringLiteral("Problems"), this);
    dockProblems->setObjectName(QStringLiteral("dockProblems"));
    dockProblems->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    problems = new frmProblems(dockProblems);
    dockProblems->setWidget(problems);
    addDockWidget(Qt::BottomDockWidgetArea, dockProblems);
    dockProblems->hide();  // until the first check
    connect(problems, &frmProblems::checkRequested, this, &frmMain::checkWorld);
    connect(problems, &frmProblems::findingActivated, this, &frmMain::goToFinding);
}

QString frmMain::worldFolderName() const
{
    return m_state.worldOpen() ? QFileInfo(m_state.worldFolder()).fileName() : QString();
}

void frmMain::checkWorld()
{
    if (!m_state.worldOpen())
        return;
    // What the details window shows is part of the details, as when they are saved.
    if (frmLevelView *details = detailsWindow())
        details->UpdateLevelInfo();
    const frmLevelEdit *area = areaEditor();
    const frmMapScreenEdit *map = mapEditor();
    const vtfile::CheckReport report =
        checkOpenWorld(m_world, area ? &area->document() : nullptr, map ? &map->document() : nullptr);
    problems->showReport(report, worldFolderName(), m_state.worldFolder(), m_state.sAppPath);
    dockProblems->show();
    dockProblems->raise();
}

void frmMain::goToFinding(const vtfile::Finding &finding)
{
    const vtfile::Place &place = finding.place;
    if (place.node) {
        showWorldMap();
        if (frmMapScreenEdit *map = mapEditor())
            map->showNode(place.node);
        return;
    }
    // The levels may have changed since the check: a level that is gone is left alone.
    const qint32 index = place.level > 0 && place.level <= qint64(m_state.gWorld.Levels.size()) ? qint32(place.level - 1) : -1;
    const LevelRecord *level = m_state.level(index);
    if (!level)
        return;
    selectLevelInList(index);
    if (place.cell) {
        editArea();
        // Only on the level's own area: the user may have kept another one open (Cancel).
        frmLevelEdit *editor = areaEditor();
        if (editor && editor->document().fileName().compare(vt::fromAnsi(level->sAreaFile), Qt::CaseInsensitive) == 0)
            editor->showCell(*place.cell);
        return;
    }
    if (QFileInfo(finding.file) != QFileInfo(m_state.worldDataPath()))
        return;
    // Where the user chooses what the finding is about: the pictures and the music under the
    // level's menu, the rest in its details.
    switch (place.detail) {
    case vtfile::Place::Detail::Tileset: popUpLevelMenuAtSelection(mnuTilesetList); break;
    case vtfile::Place::Detail::EnemySkin: popUpLevelMenuAtSelection(mnuSkinList); break;
    case vtfile::Place::Detail::Backdrop: popUpLevelMenuAtSelection(mnuBackgroundList); break;
    case vtfile::Place::Detail::Music: popUpLevelMenuAtSelection(mnuMusicList); break;
    case vtfile::Place::Detail::AreaFile:
    case vtfile::Place::Detail::None: editDetails(); break;
    }
}

} // namespace tessaforge
