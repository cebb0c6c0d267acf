#pragma once

#include "documents/MapDocument.h"
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
class QMenu;
class QPushButton;
class QScrollBar;
class QUndoStack;

namespace tessaforge {

class WorldDocument;

// "World Map Editor": the nodes of one world's map, drawn over the world's map picture,
// with a panel that edits the selected node. The map lives in the document from ShowMe until
// the window closes and is written back only by SaveChanges.
class frmMapScreenEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMapScreenEdit)

public:
    // The window shows and edits `document`, which outlives it, in the open world of `world`.
    frmMapScreenEdit(vt::Dialogs &dialogs, MapDocument &document, WorldDocument &world, QWidget *parent = nullptr);
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
    // Selects node n and scrolls it into the middle of the view, as far as the map allows.
    void showNode(qint32 n);

    QString worldPath() const { return WorldPath; }
    MapDocument &document() const { return m_document; }
    const oWorldMap &worldMap() const { return m_document.worldMap(); }
    qint32 currentNode() const { return CurrentNode; }
    qint32 viewWidth() const { return ViewWidth; }
    qint32 viewHeight() const { return ViewHeight; }
    // What the map view and the picture strip show, without the guide lines.
    const QImage &viewImage() const { return m_view; }
    const QImage &stripImage() const { return m_strip; }

    // Controls, named as tests find them. picMap is the view's drawing surface: its (0, 0)
    // is the view's top-left pixel.
    // The map menu, which the "Menu" button pops up.
    QMenu *mnuNodes = nullptr;
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

    // Every change of the map goes through here: one step of the document named `name`,
    // made at the selected node and leaving node selectAfter (or the same) selected; no step
    // when no node changed.
    void editMap(const QString &name, const std::function<void(oWorldMap &)> &edit, qint32 selectAfter = -1);
    // After an undo or redo: shows node `select` and the map as the document holds it.
    void followDocument(const QList<qint32> &nodes, qint32 select);

    void DrawMap();
    void DrawPictureStrip();
    void RefillLinkLists();
    // Shows in the next-node lists what `node` leads to now.
    void nameLinkEntries(qint32 node);
    void SelectNode(qint32 n);
    // The selected node's number in its label, or that none is selected.
    void showSelectedNode();
    // Chooses an entry of a list as the user would, so its change handler runs.
    void chooseEntry(int list, int entry);
    void nodeListChanged(int list, int entry);
    bool insideView(qint32 id) const;
    QPoint scrollPosition() const;

    void viewPressed(Qt::MouseButton button, QPointF at);
    void viewWheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers);
    void stripPressed(Qt::MouseButton button, QPointF at);
    void chooseWorld();

    vt::Dialogs &m_dialogs;

    MapDocument &m_document;
    WorldDocument &m_world;
    QString WorldPath;
    qint32 CurrentNode = 0;
    qint32 ViewWidth = 0;
    qint32 ViewHeight = 0;

    QImage picHoldMap;
    QImage picHoldImages;
    QImage m_view;
    QImage m_strip;
    bool m_fillingList = false;  // a list is being refilled: its passing choices store nothing
    bool m_closingSilently = false;
    bool m_open = false;  // ShowMe succeeded and the window has not closed since
    bool m_following = false;  // the controls follow the document: their handlers store nothing
    bool m_editing = false;    // an edit of this window's own is under way
};

} // namespace tessaforge
