#pragma once

#include "documents/AreaBrush.h"
#include "documents/AreaPictures.h"
#include "documents/WorldDocument.h"
#include "world/EditorState.h"
#include "world/LevelField.h"

#include <QImage>
#include <QMainWindow>
#include <QHash>
#include <QPointer>

class QAction;
class QDockWidget;
class QToolBar;
class QLabel;
class QListWidget;
class QLockFile;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPushButton;
class QTimer;
class QUndoGroup;
class QUndoStack;

namespace vt {
class Dialogs;
}

namespace vtfile {
struct Finding;
}

namespace tessaforge {

class frmLevelEdit;
class frmLevelTiles;
class frmLevelView;
class frmMapScreenEdit;
class frmProblems;

// The world editor's frame: the open world's name and levels in a side bar, the menus, and
// the child windows inside. It owns the shared state of the editor for the whole run.
class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmMain() override;

    // The start-up sequence: single instance (when a lock is given), mod choice, world list,
    // first world, resource menus. False when the program is to end.
    bool start(QLockFile *instanceLock = nullptr);

    EditorState &state() { return m_state; }
    WorldDocument &world() { return m_world; }
    // The palette's choice and the layers shown, shared by the palette and the area editor.
    AreaBrush &brush() { return m_brush; }
    // The tileset and tag sheet the area windows draw from.
    AreaPictures &pictures() { return m_pictures; }
    vt::Dialogs &dialogs() { return m_dialogs; }

    // Shared with the other windows.
    bool bTileWindowOpen = false;
    bool bDetailWindowOpen = false;

    // One undo stack per document. The group's active stack is that of the active child
    // window, or the world details' (worldUndo) while the active window has none; the main
    // menu's "Undo"/"Redo" and Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y act on it.
    QUndoGroup *undoGroup = nullptr;
    QPointer<QUndoStack> worldUndo;
    // A child window's document stack, active while that window is; forgotten when the
    // window is destroyed (the stack should be the window's child).
    void registerUndoStack(QWidget *window, QUndoStack *stack);

    // Stores one field of a level as one step of the world document; nothing when the field
    // already holds value, or while the windows are being shown a step. quiet: the caller
    // shows the change itself.
    void setLevelField(qint32 level, LevelField field, const LevelFieldValue &value, bool quiet = false);
    // After a step of the world document: the side bar, the check marks and the child
    // windows show the details.
    void showLevelField(qint32 level, LevelField field);
    // levelBack: a removed level came back whole (the details window may show it again).
    void showLevels(bool levelBack = false);
    void showWorldName();

    void updateLevelList();
    // Selects a level in the level list, which makes it current as a click does, but only
    // when that changes the selection (used when the details window is brought to the front).
    void selectLevelInList(qint32 index);

    // The child window whose document the keys act on (Ctrl+S, undo and redo, the area
    // editor's tools and zoom): the active one, except that the palette, which has no
    // document, leaves the area editor in charge. nullptr: the world details.
    QMdiSubWindow *documentWindow() const;

    // The child windows while they are open, else nullptr.
    frmLevelEdit *areaEditor() const;
    frmLevelTiles *palette() const;
    frmLevelView *detailsWindow() const;
    frmMapScreenEdit *mapEditor() const;

    // Files of the given folder matching the patterns, as the hidden file list gives them.
    QStringList FileList(const QString &folder, const QStringList &patterns) const;

    // Controls and menus, named as tests and the other windows find them.
    QWidget *picSideBar = nullptr;
    QLabel *lblCurWorldName = nullptr;
    QPushButton *cmdRename = nullptr;
    QPushButton *cmdRegulate[2] = {nullptr, nullptr};  // 0 "Kill Last", 1 "Add"
    QListWidget *lstLevels = nullptr;
    QTimer *Timer1 = nullptr;
    QMdiArea *mdiArea = nullptr;

    // What Check World found in the open world; hidden until the first check.
    QDockWidget *dockProblems = nullptr;
    frmProblems *problems = nullptr;

    QMenu *mnuWorld = nullptr;
    QMenu *mnuWorldList = nullptr;
    QMenu *mnuLevel = nullptr;
    QMenu *mnuSkinList = nullptr;
    QMenu *mnuTilesetList = nullptr;
    QMenu *mnuBackgroundList = nullptr;
    QMenu *mnuMusicList = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static inline const QString kNoData = QStringLiteral("No Data");

    enum class ResourceKind { Skin, Tileset, Backdrop, Music };

    void buildSideBar();
    void buildMenus();
    QMenu *addResourceMenu(QMenu *parent, const char *name, const QString &caption, const char *listName);
    void layOutSideBar();

    bool checkGameFolder();
    // Tells the user of changes recorded before a crash that wait to be offered back.
    void reportRecoveries();
    // A document's changes cannot be recorded for recovery: the user is told why, once.
    void recoveryOff(const Document &document, const QString &untitled, const QString &why);
    void LoadWorldList();
    void SelectWorld(qint32 n);
    void LoadResourceList(ResourceKind kind);
    void ShowLevel(qint32 n);
    void LoadTilesetPicture();

    static bool isLevelMenuKey(const QEvent *event);
    // The level menu, or one of its lists, beside the selected level.
    void popUpLevelMenuAtSelection(QMenu *menu = nullptr);
    void levelClicked(qint32 index);
    void levelDoubleClicked(qint32 index);
    void resourceChosen(ResourceKind kind, const QString &fileName);
    void renameLevel();
    void renameWorld();
    void addLevel();
    void killLastLevel();
    void editArea();
    void editDetails();
    void showTileSelector();
    void showObjectSelector();
    // Shows the palette in tiles or tags mode with the current selection.
    void openPalette(AreaLayer mode);
    void showWorldMap();
    void buildProblems();
    // "Check World": the open world as "vtfile check --mod" checks it, unsaved documents as
    // they are open, into the Problems dock.
    void checkWorld();
    // Shows a finding's place: its level in the list (with its details, or the list of the
    // level menu where its tileset, skin, backdrop or music is chosen), its area cell in the
    // area editor, its node in the map editor. Nothing for a finding without one.
    void goToFinding(const vtfile::Finding &finding);
    QString worldFolderName() const;
    // "&Save World Level Details"; false when the details were not written.
    bool saveWorldDetails();
    void worldChosen(qint32 n);
    // Yes saves (and a failed save abandons), No goes on, Cancel abandons.
    bool askToSaveWorld();
    // Closes the child windows; false when one of them refused.
    bool closeChildWindows();
    void checkWorldMenu();

    // Encodes a name for the world details file; warns and fails when the code page
    // cannot hold it.
    bool toStoredText(const QString &text, QByteArray &out);

    QMdiSubWindow *openChild(QWidget *child);
    // The active child changed: the keys follow the window now in charge.
    void childActivated(QMdiSubWindow *sub);
    void routeKeys();
    // The area editor's tools, zoom and view switches, at the top of the frame while it is open.
    void showAreaTools(frmLevelEdit *editor);
    static bool isOpen(const QPointer<QMdiSubWindow> &sub);
    template<typename W> W *childOf(const QPointer<QMdiSubWindow> &sub) const;

    WorldDocument m_world;
    AreaBrush m_brush;
    AreaPictures m_pictures;
    EditorState &m_state;  // the world document's
    vt::Dialogs &m_dialogs;
    bool m_bModOpen = false;
    int m_rowBeforePress = -1;  // the level list's selection when the mouse went down
    QPointer<QMdiSubWindow> m_areaEditor;
    QPointer<QMdiSubWindow> m_palette;
    QPointer<QMdiSubWindow> m_details;
    QPointer<QMdiSubWindow> m_mapEditor;
    QPointer<QMdiSubWindow> m_documentWindow;  // see documentWindow()
    QAction *mnuSave = nullptr;
    QAction *m_checkWorld = nullptr;
    QToolBar *m_areaTools = nullptr;
    QHash<const QWidget *, QPointer<QUndoStack>> m_undoStacks;
    QList<QMetaObject::Connection> m_undoStackWatch;  // cut when the main window goes
    bool m_showingStep = false;  // the windows follow a step: their handlers store nothing
    bool m_quietField = false;   // the field being stored is shown by its caller
};

} // namespace tessaforge
