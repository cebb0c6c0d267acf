#pragma once

#include "AreaCursor.h"

#include "area/AreaEditing.h"
#include "area/AreaReplace.h"
#include "area/oLevel.h"
#include "documents/AreaBrush.h"
#include "documents/AreaDocument.h"
#include "documents/AreaPictures.h"
#include "documents/WorldDocument.h"
#include "render/AreaRenderer.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <optional>

class QAction;
class QActionGroup;
class QMenu;
class QPushButton;
class QScrollBar;

namespace vt {
class Dialogs;
}

namespace tessaforge {

// What the mouse does in the area editor. The pencil edits cell by cell; the others act on
// a region and make one undo step of it.
enum class AreaTool { Pencil, Rectangle, Fill, Pick, Select };

// "Area Editor": shows one area as a grid of squares, scrolls and zooms it, edits it with
// the mouse and carries the commands that act on the area as a whole.
class frmLevelEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelEdit)

public:
    // The window edits the area of `document` (which outlives it) in the open world of
    // `world`, with what the brush and the pictures hold.
    frmLevelEdit(AreaDocument &document, AreaBrush &brush, const AreaPictures &pictures, WorldDocument &world,
                 vt::Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmLevelEdit() override;

    static constexpr qint32 kBar = 16;  // scroll bar thickness and corner size, in pixels

    qint32 lZoom = 32;
    static constexpr qint32 kZoomStep = 8;
    static constexpr qint32 kMinZoom = 8;
    static constexpr qint32 kMaxZoom = 32;

    void SetLevel(const QString &sFile);
    void NewArea();
    bool SaveArea();
    void ResizeArea();
    // Asks which cells to change and how, then changes them in this area (one undo step) or,
    // after a confirmation, in every area of the world, saved at once.
    void FindReplace();
    void ToggleSideWarp();
    void SetStartPos();
    // Zoom a step, keeping the cell at the view's centre in place where the scroll range
    // allows (the wheel keeps the one under the pointer).
    void ZoomIn();
    void ZoomOut();
    // The frame gives this window the keys of its actions (tools, zoom, clipboard) while it
    // is the document in charge; other windows have them otherwise.
    void setKeysActive(bool active);
    // The actions with keys, for the frame to hold as well: an MDI child's own shortcuts work
    // only while the focus is inside it.
    QList<QAction *> keyActions() const { return m_keyActions + QList<QAction *>{mnuLevSave}; }
    // What the frame's tool bar for this window holds: the tools, the zoom and the view.
    QList<QAction *> toolBarActions() const { return m_toolBarActions; }
    void DrawLevel();
    // Scrolls cell (column, row) into the middle of the view, as far as the area allows, and
    // puts the cursor on it.
    void showCell(QPoint cell);
    // The whole area at the current zoom with the layers now shown, to a PNG or BMP file.
    void ExportImage();

    // Fills beyond this many cells are refused.
    static constexpr qint64 kFillLimit = qint64(64) * 1024 * 1024;

    AreaDocument &document() const { return m_document; }

    AreaTool tool() const { return m_tool; }
    void setTool(AreaTool tool);
    // Takes cell (c, r)'s tile, tag or enemy in the current mode into the brush.
    void pickCell(qint32 c, qint32 r);
    // The selected cells (Select tool), empty when there is none.
    QRect selection() const { return m_selection; }
    void copySelection();
    void cutSelection();
    // Makes the clipboard's block float under the pointer; the next left click places it.
    void startPaste();
    bool isPasting() const { return m_floating; }
    const AreaBlock &clipboardBlock() const { return m_clipboard; }
    // Ends a paste, a drag of the rectangle or selection, or else the selection.
    void cancelTool();

    // The cell of the grid that window pixel (x, y) falls in: the nearest whole pixel, a
    // half going to the even one, divided by the zoom and truncated toward zero.
    static QPoint windowCell(QPointF position, qint32 zoom);

    bool isSetStartMode() const { return bSetStartMode; }
    // What DrawLevel last drew, the window's back image.
    const QImage &backImage() const { return m_back; }
    // The view the back image shows.
    AreaView currentView() const;
    // The path of the area file named sFile in the current world.
    QString areaPath(const QString &sFile) const;

    QScrollBar *hScroll = nullptr;
    QScrollBar *vScroll = nullptr;
    QWidget *picCornerSize = nullptr;
    QPushButton *picCorner = nullptr;
    AreaCursor *shpCursor = nullptr;
    AreaCursor *shpSelection = nullptr;  // outline of the selected cells
    // The area menu ("Menu") and some of its items.
    QMenu *mnuLevelMenu = nullptr;
    QAction *mnuSideWarp = nullptr;
    QAction *mnuLevSave = nullptr;
    QAction *mnuLevZoomIn = nullptr;
    QAction *mnuLevZoomOut = nullptr;
    QAction *mnuShowTags = nullptr;     // tags drawn whatever layer is edited
    QAction *mnuShowEnemies = nullptr;  // enemies likewise
    QAction *mnuGrid = nullptr;         // lines between the squares
    QAction *mnuLevUndo = nullptr;
    QAction *mnuLevRedo = nullptr;
    QAction *mnuTool[5] = {};  // by AreaTool
    QAction *mnuLevCut = nullptr;
    QAction *mnuLevCopy = nullptr;
    QAction *mnuLevPaste = nullptr;

    static constexpr QRgb kBackground = qRgb(24, 28, 40);

    // The size the frame first gives the window; it has no layout to suggest one.
    QSize sizeHint() const override { return {620, 480}; }
    QSize minimumSizeHint() const override { return {1, 1}; }

Q_SIGNALS:
    // What the status line shows: the cell under the pointer, or the area's size.
    void statusMessage(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    static constexpr int kLeft = 1;  // the left button alone, as a button mask

    // False when the operation is abandoned (Cancel, or Yes with a save that failed).
    bool askToSave();
    bool newArea();
    // Offers the unsaved changes a program that died recorded for the area now open.
    void offerRecovery();
    // The document's area is another one, or another size.
    void areaReplaced();
    void areaResized();
    void setScrollMaxima();
    void showSideWarp();
    void scrolled();
    void layOut();
    // press: the button went down now, rather than the mouse moved with it held.
    void buttonDown(int button, QPointF position, bool press);
    void moveCursorTo(QPointF position);
    void showStatus(QPointF position);
    void showMenu();
    void message(const QString &text);
    // Refuses, with a message, a typed area name that could not be the file's name.
    bool acceptableName(const QString &name);
    void zoomAround(bool in, QPointF position);
    void setZoom(qint32 zoom);
    QPointF viewCentre() const;
    // "Area Editor - NAME.qzl", marked while the area has unsaved changes.
    void updateTitle();

    void addMenuItems();
    void replaceInArea(const CellReplace &replace);
    void replaceInWorld(const CellReplace &replace);
    // The area cell under window pixel `position`.
    QPoint cellUnder(QPointF position) const;
    bool inArea(QPoint cell) const;
    // The tools' state that belongs to the area shown: a selection, a drag, a floating block.
    void dropToolState();
    // The view to redraw single squares in; nothing when there is no window, or when the back
    // image was out of date (the view or the pictures changed) and has been drawn whole.
    std::optional<AreaView> viewForSquares();
    // The back image now shows `view`.
    void backImageShows(const AreaView &view);
    // Redraws the squares in sight among `cells`, or the whole view when they cover most of it.
    void redrawCells(const QRect &cells);
    void redrawStart(QPoint from, QPoint to);
    void toolPressed(int button, QPoint cell);
    void toolReleased();
    void fillAt(QPoint cell, bool erase);
    void placePaste(QPoint cell);
    void updateCursorShape();
    void placeFootprint();
    void placeSelection();
    QRect windowRectOf(const QRect &cells) const;

    AreaDocument &m_document;
    AreaBrush &m_brush;
    const AreaPictures &m_pictures;
    WorldDocument &m_world;
    vt::Dialogs &m_dialogs;
    const oLevel &oArea;  // the document's, read only: every change goes through the document
    bool bSetStartMode = false;

    AreaRenderer m_renderer;
    QImage m_back;
    AreaView m_drawn;      // the view m_back shows
    bool m_drawnValid = false;
    int m_wheelRest = 0;  // wheel movement short of a whole step

    AreaTool m_tool = AreaTool::Pencil;
    QActionGroup *m_toolGroup = nullptr;
    QList<QAction *> m_keyActions;  // what setKeysActive switches
    QList<QAction *> m_toolBarActions;
    bool m_dragging = false;      // a rectangle or selection being dragged
    int m_dragButton = 0;
    QPoint m_dragFrom;
    QPoint m_dragTo;
    QRect m_selection;
    AreaBlock m_clipboard;
    bool m_floating = false;      // m_clipboard follows the pointer until placed
    AreaBlock m_floatingBlock;
    QPoint m_pointerCell;         // the area cell under the pointer
    bool m_pressPlacedStart = false;  // the last press went to the start placement
    bool m_pressSwallowed = false;    // until all buttons are up, the mouse edits nothing
};

} // namespace tessaforge
