#pragma once

#include "map/oWorldMap.h"

#include "Dialogs.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QMdiSubWindow;
class QPushButton;
class QScrollBar;
class QUndoStack;

namespace tessaforge {

class frmMain;
class MapStep;

// "World Map Editor": the nodes of one world's map, drawn over the world's map picture,
// with a panel that edits the selected node. The map lives in one oWorldMap from ShowMe
// until the window closes and is written back only by SaveChanges.
class frmMapScreenEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMapScreenEdit)

public:
    frmMapScreenEdit(frmMain &main, vt::Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmMapScreenEdit() override;

    // Opens the window on a world folder (no trailing separator). When the folder lacks a
    // picture, the picture is too small or the map file cannot be read, the user is told
    // and the window closes.
    void ShowMe(const QString &sWorldPath);
    void KillMe();
    // Creates a node near the view's top-left corner and selects it.
    void AddNode();
    // Removes the highest-numbered node (never the last one).
    void KillNode();
    // Writes Worldmap.qzm; false (and told) when it was not written.
    bool SaveChanges();

    QString worldPath() const { return WorldPath; }
    const oWorldMap &worldMap() const { return *WorldMap; }
    qint32 currentNode() const { return CurrentNode; }
    bool mapChanged() const { return MapChanged; }
    // The map's edits, undone and redone through the main window's undo group.
    QUndoStack *undoStack() const { return m_undo; }
    // Run by the undo steps: puts back the nodes a step recorded and shows the map with
    // node select chosen (when it exists).
    void restoreMap(qint32 count, const std::vector<std::pair<qint32, MapNode>> &nodes, qint32 select);
    qint32 viewWidth() const { return ViewWidth; }
    qint32 viewHeight() const { return ViewHeight; }
    // What the map view and the picture strip show, without the guide lines.
    const QImage &viewImage() const { return m_view; }
    const QImage &stripImage() const { return m_strip; }

    // Controls, named as tests find them. picMap is the view's drawing surface: its (0, 0)
    // is the view's top-left pixel.
    QWidget *picMap = nullptr;
    QScrollBar *xScroll = nullptr;
    QScrollBar *yScroll = nullptr;
    QWidget *picBottomRight = nullptr;
    QWidget *Picture1 = nullptr;
    QLabel *Label2[4] = {};
    QComboBox *cmbNodeSelect[6] = {};
    QCheckBox *chkPassThru = nullptr;
    QCheckBox *chkShowLinks = nullptr;
    QPushButton *cmdWorld = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lblCurrent = nullptr;
    QLabel *Label1[2] = {};
    QPushButton *cmdBottomRight = nullptr;
    QWidget *picImages = nullptr;
    QScrollBar *imgScroll = nullptr;
    QPushButton *cmdSacrifice = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Changed: the edit marks the map changed whatever it did (the lists' change handler
    // does, also when selecting a node fills the lists); WhenChanged: only when a node
    // really changed.
    enum class Marks { Changed, WhenChanged };

    void buildView();
    void buildPanel();
    // Asks about unsaved changes; true when the caller may go on (saved or discarded).
    bool askToSave();
    bool openWorld(const QString &sWorldPath);
    // Tells the user why the window does not open; always false.
    bool refuseOpening(const QString &title, const QString &text, vt::Dialogs::Icon icon);
    void closeWithoutAsking();
    void fitIntoFrame(QMdiSubWindow &frame);
    // A file of the world folder, found whatever the case of its name.
    QString worldFile(const QString &name) const;

    // Every change of the map goes through here: the edit runs on the map, and the map
    // counts as changed as marks says. The edit is one undo step named by name,
    // unless it runs inside a wider step (see MapStep).
    void editMap(const QString &name, const std::function<void(oWorldMap &)> &edit, Marks marks);
    friend class MapStep;

    void DrawMap();
    void DrawPictureStrip();
    void RefillLinkLists();
    void SelectNode(qint32 n);
    // Chooses an entry of a list as the user would, so its change handler runs.
    void chooseEntry(int list, int entry);
    void nodeListChanged(int list, int entry);
    bool insideView(qint32 id) const;
    QPoint scrollPosition() const;

    void viewPressed(Qt::MouseButton button, QPointF at);
    void viewWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers);
    void stripPressed(Qt::MouseButton button, QPointF at);
    void chooseWorld();

    frmMain &m_main;
    vt::Dialogs &m_dialogs;

    QString WorldPath;
    std::unique_ptr<oWorldMap> WorldMap;
    qint32 CurrentNode = 0;
    bool MapChanged = false;
    qint32 ViewWidth = 0;
    qint32 ViewHeight = 0;

    QImage picHoldMap;
    QImage picHoldImages;
    QImage m_view;
    QImage m_strip;
    bool m_fillingList = false;  // a list is being refilled: its passing choices store nothing
    bool m_closingSilently = false;
    bool m_open = false;  // ShowMe succeeded and the window has not closed since
    QUndoStack *m_undo = nullptr;
    MapStep *m_step = nullptr;  // the undo step being recorded, if any
    bool m_restoring = false;         // the controls follow an undo: they store nothing
};

} // namespace tessaforge
