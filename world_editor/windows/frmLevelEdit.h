#pragma once

#include "area/AreaEditing.h"
#include "area/oLevel.h"
#include "render/AreaRenderer.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QActionGroup;
class QPushButton;
class QScrollBar;
class QUndoStack;

namespace tessaforge {

class frmMain;
class AreaCommand;

// What the mouse does in the area editor. The pencil edits cell by cell; the others act on
// a region and make one undo step of it.
enum class AreaTool { Pencil, Rectangle, Fill, Pick, Select };

// One change of the area made by the mouse: the content of cell (X, Y) before and after,
// and, when the start position moves, where it was and where it goes.
struct AreaEdit
{
    qint32 X = 0;
    qint32 Y = 0;
    AreaCell before;
    AreaCell after;
    bool movesStart = false;
    QPoint startBefore;
    QPoint startAfter;
};

// The outline that follows the mouse over the grid, one cell in size.
class AreaCursor final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AreaCursor)

public:
    // Box outlines a tool's footprint: a rectangle being dragged, a block being pasted, the
    // selection.
    enum class Shape { Circle, RoundedSquare, Box };
    explicit AreaCursor(QWidget *parent);

    Shape shape() const { return m_shape; }
    void setShape(Shape shape);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Shape m_shape = Shape::Circle;
};

// "Area Editor": shows one area as a grid of squares, scrolls and zooms it, edits it with
// the mouse and carries the commands that act on the area as a whole.
class frmLevelEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelEdit)

public:
    explicit frmLevelEdit(frmMain &main, QWidget *parent = nullptr);
    ~frmLevelEdit() override;

    static constexpr qint32 kBar = 16;  // scroll bar thickness and corner size, in pixels

    qint32 lZoom = 32;
    bool bForceShowEnemy = false;
    bool bForceShowTags = false;

    void SetLevel(const QString &sFile);
    void NewArea();
    bool SaveArea();
    void ResizeArea();
    void ToggleSideWarp();
    void SetStartPos();
    void ZoomIn();
    void ZoomOut();
    void DrawLevel();
    // The whole area at the current zoom with the layers now shown, to a PNG or BMP file.
    void ExportImage();

    // Every change the mouse makes to the area goes through here: the cell (and the start
    // position) take their "after" values, the area is marked changed and the squares
    // concerned are redrawn.
    void applyEdit(const AreaEdit &edit);
    // The batch form, for the tools: every cell takes its "after" value, in one undo step
    // named `name`.
    void applyEdits(std::vector<CellChange> cells, const QString &name);
    // The same for a tool that edits the area itself and returns the step it made, or nothing
    // when it refused and left the area alone (a fill paints while it searches, so that each
    // cell is read once).
    void applyStep(const std::function<std::optional<AreaStep>(oLevel &)> &tool, const QString &name);
    // Fills beyond this many cells are refused.
    static constexpr qint64 kFillLimit = qint64(64) * 1024 * 1024;

    // The area's history. Steps beyond kHistoryLimit bytes are dropped, oldest first.
    QUndoStack *undoStack() const { return m_undo; }
    static constexpr qsizetype kHistoryLimit = qsizetype(64) * 1024 * 1024;
    void setHistoryLimit(qsizetype bytes);
    qsizetype historyBytes() const { return m_historyBytes; }

    AreaTool tool() const { return m_tool; }
    void setTool(AreaTool tool);
    // Takes cell (c, r)'s tile, tag or enemy in the current mode into the palette selection.
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

    const oLevel &area() const { return oArea; }
    QString currentAreaFile() const { return sCurAreaFile; }
    bool isChanged() const { return bChanged; }
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
    // Items this window adds to the area menu; they go when the window does.
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
    friend class AreaCommand;

    static constexpr int kLeft = 1;  // the left button alone, as a button mask

    // False when the operation is abandoned (Cancel, or Yes with a save that failed).
    bool askToSave();
    bool newArea();
    void areaReplaced();
    void setScrollMaxima();
    void showSideWarp();
    void scrolled();
    void layOut();
    void buttonDown(int button, QPointF position);
    void moveCursorTo(QPointF position);
    void showStatus(QPointF position);
    void showMenu();
    void message(const QString &text);
    // Refuses, with a message, a typed area name that could not be the file's name.
    bool acceptableName(const QString &name);
    void zoomAround(bool in, QPointF position);

    void addMenuItems();
    // The area cell under window pixel `position`.
    QPoint cellUnder(QPointF position) const;
    bool inArea(QPoint cell) const;
    // Undo and redo: the step's changes, then the redraw they need.
    void replayStep(const AreaStep &step, bool forward);
    void pushStep(AreaStep step, const QString &name);
    void recordEdit(const AreaEdit &edit);
    void endStroke();
    void clearHistory();
    // Drops the oldest steps while the history holds more than its limit.
    void trimHistory();
    void historyGrew(qsizetype bytes);
    // The view to redraw single squares in; nothing when there is no window, or when the back
    // image was out of date (the view or the pictures changed) and has been drawn whole.
    std::optional<AreaView> viewForSquares();
    // The back image now shows `view`.
    void backImageShows(const AreaView &view);
    void redrawCells(const std::vector<CellChange> &cells);
    void redrawStep(const AreaStep &step);
    void toolPressed(int button, QPoint cell);
    void toolReleased();
    void fillAt(QPoint cell, bool erase);
    void placePaste(QPoint cell);
    void updateCursorShape();
    void placeFootprint();
    void placeSelection();
    QRect windowRectOf(const QRect &cells) const;

    frmMain &m_main;
    oLevel oArea;
    QString sCurAreaFile;
    bool bChanged = false;
    bool bSetStartMode = false;

    AreaRenderer m_renderer;
    QImage m_back;
    AreaView m_drawn;      // the view m_back shows
    bool m_drawnValid = false;
    int m_wheelRest = 0;  // wheel movement short of a whole step

    QUndoStack *m_undo = nullptr;
    qsizetype m_historyLimit = kHistoryLimit;
    qsizetype m_historyBytes = 0;
    bool m_replaying = false;     // undo and redo while the history is rebuilt do nothing
    bool m_strokeOpen = false;    // a pencil drag: its edits gather in one step
    AreaCommand *m_strokeCommand = nullptr;
    QString m_editName;           // the name the pencil's next step takes

    AreaTool m_tool = AreaTool::Pencil;
    QActionGroup *m_toolGroup = nullptr;
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
