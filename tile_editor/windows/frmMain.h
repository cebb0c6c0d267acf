#pragma once

#include "documents/TileInfoDocument.h"

#include <QImage>
#include <QMainWindow>
#include <QPoint>

class QAction;
class QCheckBox;
class QPushButton;
class QMenu;
class QScrollBar;

namespace vt {
class Dialogs;
struct FoundJournal;
}

namespace tilemarrow {

class TilePicture;
class TypeList;

// The tile type editor: one tileset bitmap shown as many tiles at a time as the window has room
// for (10 x 7 at the least), one selected tile,
// and the list and check box that give it a type and the animation flag. The window owns the
// document of the open tileset's tile information, draws what it holds and asks before its
// unsaved changes are lost.
class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    static constexpr qint32 kTile = 32;
    // The smallest view, in tiles: the window never shrinks it further.
    static constexpr qint32 kViewColumns = 10;
    static constexpr qint32 kViewRows = 7;
    static constexpr qint32 kBar = 16;  // the scroll bars' thickness
    static constexpr qint32 kTypeCount = 15;  // list index = type code
    static constexpr qint32 kAnimated = TileInfoDocument::kAnimated;

    // Fills the type list and opens tiledata.bmp from the program folder when it is there.
    frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent = nullptr);

    // Whether a missing bitmap is worth a message: not at start, where it is normal.
    enum class MissingBitmap { Report, Quiet };
    // Loads the bitmap and fits the grid to its whole tiles, keeping the tiles both grids
    // share. A bitmap that cannot be read or used is refused with a message and changes
    // nothing; false then.
    bool LoadTilesetBitmap(const QString &path, MissingBitmap missing = MissingBitmap::Report);
    // Redraws the view from the held picture; the selected tile inverted.
    void DrawTiles();
    // The path without its extension; a path whose file name has none comes back whole.
    static QString StripExtension(const QString &path);

    // Records the unsaved changes from now on in the game folder's recovery folder, and once
    // the window is up offers what an earlier run left there.
    void startRecovery();
    // Offers the journals an earlier run left: one of them recovered at most, into its file
    // or, for a tileset never saved, into the new one.
    void offerRecovery();

    // The three menu commands. Save is false when nothing was written (cancelled or failed).
    void mnuNew_Click();
    bool mnuSave_Click();
    void mnuLoad_Click();

    TileInfoDocument &document() { return m_document; }
    const TileInfoDocument &document() const { return m_document; }
    QPoint viewOrigin() const { return {ViewX, ViewY}; }
    // The whole tiles the view shows across and down; at its right and bottom edges it may
    // also show part of the next one.
    qint32 viewColumns() const;
    qint32 viewRows() const;
    QPoint selectedTile() const { return {SelX, SelY}; }

    // Controls, named as the tests find them.
    TilePicture *picTiles = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QPushButton *Command1 = nullptr;
    TypeList *lstTileType = nullptr;
    QCheckBox *chkAnimated = nullptr;
    QCheckBox *chkShowTypes = nullptr;
    QAction *mnuNew = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuLoad = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuRedo = nullptr;

    // The whole tileset picture, the source of every tile drawn; never shown directly.
    QImage picHoldTiles;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void updateScrollRanges();
    void viewResized();
    // The tiles the view shows, the part at its right and bottom edges included.
    qint32 shownColumns() const;
    qint32 shownRows() const;

    // The controls' edit of the selected tile; false when there is no tile to change.
    bool SetTileValue(qint32 x, qint32 y, qint32 value);
    // The document changed one tile: by the controls, or by an undo or a redo.
    void tileChanged(qint32 x, qint32 y);
    void documentReplaced();
    // Asks about unsaved changes; true when the caller may go on.
    bool askToSave();
    // Reads the tile information file and its bitmap beside it.
    void openTileFile(const QString &path);
    // Offers the journals of the file just opened.
    void offerRecoveryOf(const QString &path);
    void recover(const vt::FoundJournal &journal);
    void recoveryOff(const QString &why);

    void picTiles_MouseDown(QPointF position);
    void SelectTile(qint32 x, qint32 y);
    // Shows the selected tile's type and flag in the list and the check box; assigns nothing.
    void ShowSelectedTile();
    void lstTileType_Press();
    void chkAnimated_Click(bool checked);
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);

    bool handleKey(QObject *watched, int key);
    void MoveSelection(qint32 dx, qint32 dy);
    void PickTypeByDigit(int digit);

    // Where the file dialogs open: beside the tile information being edited, else beside the
    // bitmap the user chose, else in the game's shared tilesets.
    QString dialogFolder() const;
    // What Save proposes: the file being edited, else the chosen bitmap's name as a tile
    // information file beside it, else the shared tilesets' folder.
    QString saveProposal() const;
    QString tilesetsFolder() const;

    void showFileName(const QString &path);
    void tell(const QString &text);

    QString m_appPath;
    vt::Dialogs &m_dialogs;
    TileInfoDocument m_document;
    QString m_bitmapPath;  // the bitmap New or Load opened; empty for tiledata.bmp at start
    qint32 ViewX = 0;
    qint32 ViewY = 0;
    qint32 SelX = 0;
    qint32 SelY = 0;
    qint32 m_typedCode = -1;  // digits typed so far, -1 when none
    bool m_storing = false;   // the controls are giving the tile what they show
    bool m_recording = false;
    bool m_toldRecoveryOff = false;
};

} // namespace tilemarrow
