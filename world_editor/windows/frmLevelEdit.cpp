#include "frmLevelEdit.h"

#include "frmMain.h"
#include "Panel.h"
#include "frmRenameLevel.h"

#include "world/mCommon.h"
#include "render/AreaPicture.h"

#include "AnsiText.h"
#include "Dialogs.h"
#include "Paths.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QUndoStack>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tessaforge {

namespace {

const QString kTitle = QStringLiteral("Area Editor");
const QString kSaveQuestion = QStringLiteral("Save changes to area?");

constexpr qint32 kZoomStep = 8;
constexpr qint32 kMinZoom = 8;
constexpr qint32 kMaxZoom = 32;
constexpr int kWheelStep = 120;   // one notch of a common wheel
constexpr int kWheelCells = 3;    // rows or columns one notch scrolls

// Why an area name cannot name a file in the world folder, or the empty text when it can.
QString nameProblem(const QString &name)
{
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("it must not contain \"/\" or \"\\\"");
    if (name.contains(QStringLiteral("..")))
        return QStringLiteral("it must not contain \"..\"");
    if (name.contains(QLatin1Char(':')))
        return QStringLiteral("it must not contain a drive letter or \":\"");
    bool lossless = false;
    (void)vt::toAnsi(name, &lossless);
    if (!lossless)
        return QStringLiteral("it has characters that the game's files cannot hold (they are limited "
                              "to the Windows-1252 characters)");
    return {};
}

const QString kPaint = QStringLiteral("Paint");
const QString kErase = QStringLiteral("Erase");

} // namespace

// ---- the cursor outline ----------------------------------------------------------------

AreaCursor::AreaCursor(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("shpCursor"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void AreaCursor::setShape(Shape shape)
{
    if (m_shape == shape)
        return;
    m_shape = shape;
    update();
}

void AreaCursor::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    for (const auto &[colour, width] : {std::pair{QColor(0, 0, 0), 3.0}, std::pair{QColor(255, 255, 255), 1.5}}) {
        p.setPen(QPen(colour, width));
        if (m_shape == Shape::Circle)
            p.drawEllipse(box);
        else if (m_shape == Shape::Box)
            p.drawRect(box);
        else
            p.drawRoundedRect(box, width * 2 + 2, width * 2 + 2);
    }
}

// ---- the window -------------------------------------------------------------------------

frmLevelEdit::frmLevelEdit(frmMain &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("frmLevelEdit"));
    setWindowTitle(kTitle);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    shpSelection = new AreaCursor(this);
    shpSelection->setObjectName(QStringLiteral("shpSelection"));
    shpSelection->setShape(AreaCursor::Shape::Box);
    shpSelection->hide();
    shpCursor = new AreaCursor(this);
    shpCursor->hide();

    m_undo = new QUndoStack(this);
    m_undo->setObjectName(QStringLiteral("areaUndo"));
    m_main.registerUndoStack(this, m_undo);

    hScroll = new QScrollBar(Qt::Horizontal, this);
    hScroll->setObjectName(QStringLiteral("hScroll"));
    vScroll = new QScrollBar(Qt::Vertical, this);
    vScroll->setObjectName(QStringLiteral("vScroll"));
    for (QScrollBar *bar : {hScroll, vScroll}) {
        bar->setFocusPolicy(Qt::NoFocus);  // the keys belong to the grid
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        connect(bar, &QScrollBar::valueChanged, this, &frmLevelEdit::scrolled);
    }

    picCornerSize = new Panel(this);
    picCornerSize->setObjectName(QStringLiteral("picCornerSize"));
    picCornerSize->setFocusPolicy(Qt::ClickFocus);
    picCornerSize->setAutoFillBackground(true);
    QPalette corner = picCornerSize->palette();
    corner.setColor(QPalette::Window, QColor(128, 128, 128));
    picCornerSize->setPalette(corner);

    picCorner = new QPushButton(QStringLiteral("Menu"), this);
    picCorner->setObjectName(QStringLiteral("picCorner"));
    picCorner->setFocusPolicy(Qt::NoFocus);
    picCorner->setGeometry(0, 0, 48, kBar);
    QFont small = picCorner->font();
    small.setPixelSize(10);
    picCorner->setFont(small);
    connect(picCorner, &QPushButton::clicked, this, &frmLevelEdit::showMenu);

    resize(sizeHint());
    addMenuItems();

    bSetStartMode = false;
    lZoom = 32;
    shpCursor->resize(lZoom, lZoom);
    NewArea();
}

frmLevelEdit::~frmLevelEdit()
{
    // The steps count their bytes here: they go before the count does.
    delete m_undo;
}

void frmLevelEdit::addMenuItems()
{
    QMenu *menu = m_main.mnuLevelMenu;
    auto separator = [this, menu] {
        auto *dash = new QAction(this);
        dash->setSeparator(true);
        if (menu)
            menu->addAction(dash);
    };
    // The keys are the window's own (keyPressEvent); the text after the tab only shows them.
    struct Item
    {
        AreaTool tool;
        const char *name;
        QString caption;
    };
    const Item tools[] = {
        {AreaTool::Pencil, "mnuToolPencil", QStringLiteral("&Pencil\tP")},
        {AreaTool::Rectangle, "mnuToolRectangle", QStringLiteral("Recta&ngle\tR")},
        {AreaTool::Fill, "mnuToolFill", QStringLiteral("&Fill\tF")},
        {AreaTool::Pick, "mnuToolPick", QStringLiteral("Pic&k\tI")},
        {AreaTool::Select, "mnuToolSelect", QStringLiteral("Se&lect\tS")},
    };
    separator();
    m_toolGroup = new QActionGroup(this);
    m_toolGroup->setExclusive(true);
    for (const Item &item : tools) {
        QAction *a = new QAction(item.caption, this);
        a->setObjectName(QLatin1String(item.name));
        a->setCheckable(true);
        a->setChecked(item.tool == m_tool);
        m_toolGroup->addAction(a);
        if (menu)
            menu->addAction(a);
        const AreaTool tool = item.tool;
        connect(a, &QAction::triggered, this, [this, tool] { setTool(tool); });
        mnuTool[static_cast<int>(item.tool)] = a;
    }
    separator();
    auto plain = [this, menu](const char *name, const QString &caption, void (frmLevelEdit::*operation)()) {
        QAction *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        if (menu)
            menu->addAction(a);
        connect(a, &QAction::triggered, this, operation);
        return a;
    };
    mnuLevCut = plain("mnuLevCut", QStringLiteral("Cu&t\tCtrl+X"), &frmLevelEdit::cutSelection);
    mnuLevCopy = plain("mnuLevCopy", QStringLiteral("&Copy\tCtrl+C"), &frmLevelEdit::copySelection);
    mnuLevPaste = plain("mnuLevPaste", QStringLiteral("Paste\tCtrl+V"), &frmLevelEdit::startPaste);
    separator();
    // No shortcuts here: the main window's undo group owns Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y.
    mnuLevUndo = m_undo->createUndoAction(this, QStringLiteral("Undo"));
    mnuLevUndo->setObjectName(QStringLiteral("mnuLevUndo"));
    mnuLevRedo = m_undo->createRedoAction(this, QStringLiteral("Redo"));
    mnuLevRedo->setObjectName(QStringLiteral("mnuLevRedo"));
    if (menu) {
        menu->addAction(mnuLevUndo);
        menu->addAction(mnuLevRedo);
    }
}

QString frmLevelEdit::areaPath(const QString &sFile) const
{
    return vt::resolvePath(vt::joinPath(m_main.state().worldFolder(), sFile + QStringLiteral(".qzl")));
}

void frmLevelEdit::message(const QString &text)
{
    m_main.dialogs().message(this, kTitle, text, vt::Dialogs::Icon::Warning);
}

bool frmLevelEdit::askToSave()
{
    return vt::askToSaveChanges(m_main.dialogs(), this, kTitle, kSaveQuestion, [this] { return SaveArea(); });
}

void frmLevelEdit::showSideWarp()
{
    if (m_main.mnuSideWarp)
        m_main.mnuSideWarp->setChecked(oArea.SideWarp());
}

void frmLevelEdit::setScrollMaxima()
{
    // A maximum lowered below the value moves the value, and that redraws like any scroll.
    hScroll->setMaximum(std::max(oArea.width(), 0));
    vScroll->setMaximum(std::max(oArea.height(), 0));
}

// What SetLevel, NewArea and ResizeArea finish with.
void frmLevelEdit::areaReplaced()
{
    m_drawnValid = false;  // the back image shows the old area: nothing of it can be moved
    showSideWarp();
    setScrollMaxima();
}

void frmLevelEdit::SetLevel(const QString &sFile)
{
    if (!m_main.state().bAreaWindowOpen || sFile == sCurAreaFile)
        return;
    const QString fileName = sFile + QStringLiteral(".qzl");
    if (const QString problem = nameProblem(sFile); !problem.isEmpty()) {
        message(QStringLiteral("The area file \"%1\" cannot be opened: %2.").arg(fileName, problem));
        return;
    }
    const QString path = areaPath(sFile);
    if (!mCommon::FileExists(path)) {
        newArea();
        return;
    }
    if (bChanged && !askToSave())
        return;

    // Read into a new area first: a file that cannot be read leaves the open one as it was.
    oLevel loaded;
    vt::Status status = loaded.LoadFromFile(path);
    if (status && !loaded.hasGrid())
        status = vt::Status::failure(QStringLiteral("the file cannot be read"));
    if (!status) {
        message(QStringLiteral("The area file \"%1\" could not be opened.\n%2").arg(fileName, status.error()));
        return;
    }
    sCurAreaFile = sFile;
    oArea = std::move(loaded);
    clearHistory();
    areaReplaced();
    bChanged = false;
    DrawLevel();
}

void frmLevelEdit::NewArea()
{
    newArea();
}

bool frmLevelEdit::newArea()
{
    // Asked whether or not the window is shown: a minimised editor still holds the edits.
    // At creation nothing is changed yet, so nothing is asked.
    if (bChanged && !askToSave())
        return false;
    sCurAreaFile.clear();
    oArea = oLevel();
    (void)oArea.Resize(20, 15);
    oArea.SetStartPos(0, 0);
    oArea.SetSideWarp(false);
    clearHistory();
    areaReplaced();
    bChanged = false;
    DrawLevel();
    return true;
}

bool frmLevelEdit::SaveArea()
{
    if (!m_main.state().bAreaWindowOpen)
        return false;
    const std::optional<QString> answer =
        m_main.dialogs().inputText(this, kTitle, QStringLiteral("Enter file name for area:"), sCurAreaFile);
    const QString name = answer ? vt::trimSpaces(*answer) : QString();
    if (name.isEmpty())
        return false;
    if (const QString problem = nameProblem(name); !problem.isEmpty()) {
        message(QStringLiteral("The area cannot be saved as \"%1\": %2.").arg(name, problem));
        return false;
    }
    const vt::Status saved = oArea.SaveToFile(areaPath(name), m_main.state().modFolder());
    if (!saved) {
        message(QStringLiteral("The area was not saved.\n%1").arg(saved.error()));
        return false;
    }
    m_main.dialogs().message(this, kTitle, name + QStringLiteral(".qzl saved!"));
    bChanged = false;
    return true;
}

void frmLevelEdit::ResizeArea()
{
    frmResizeLevel dialog(m_main.dialogs(), this);
    dialog.ShowResize(oArea.width() + 1, oArea.height() + 1);
    const bool doResize = dialog.DoResize();
    const qint32 columns = dialog.NewWidth();
    const qint32 rows = dialog.NewHeight();
    if (doResize && columns >= 1 && rows >= 1) {  // counts below 1 are ignored
        if (columns > oLevel::kMaxCount || rows > oLevel::kMaxCount)
            message(QStringLiteral("An area can have at most %1 columns and %1 rows; it was not resized to "
                                   "%2 × %3.")
                        .arg(oLevel::kMaxCount)
                        .arg(columns)
                        .arg(rows));
        else {
            // The step keeps only the cells that a shrink drops, and only those not empty.
            AreaStep step;
            step.resizes = true;
            step.sizeBefore = QSize(oArea.width() + 1, oArea.height() + 1);
            step.sizeAfter = QSize(columns, rows);
            for (qint32 c = 0; c <= oArea.width(); ++c) {
                const AreaCell *column = oArea.column(c);
                const qint32 firstDropped = c >= columns ? 0 : rows;
                for (qint32 r = firstDropped; r <= oArea.height(); ++r)
                    if (!(column[r] == AreaCell{}))
                        step.cells.push_back(CellChange{c, r, column[r], AreaCell{}});
            }
            if (!oArea.Resize(columns, rows))
                message(QStringLiteral("There is not enough memory for an area of %1 × %2 cells; it was not "
                                       "resized.")
                            .arg(columns)
                            .arg(rows));
            else if (step.sizeBefore != step.sizeAfter)
                pushStep(std::move(step), QStringLiteral("Resize Area"));
        }
    }
    areaReplaced();
    bChanged = true;  // also when nothing was resized
    DrawLevel();
}

void frmLevelEdit::ToggleSideWarp()
{
    oArea.SetSideWarp(!oArea.SideWarp());
    AreaStep step;
    step.togglesSideWarp = true;
    step.sideWarpAfter = oArea.SideWarp();
    pushStep(std::move(step), QStringLiteral("Side Warp"));
    showSideWarp();
    bChanged = true;
}

void frmLevelEdit::SetStartPos()
{
    if (m_main.state().bAreaWindowOpen && !bSetStartMode) {
        bSetStartMode = true;
        updateCursorShape();
    }
}

void frmLevelEdit::ZoomIn()
{
    if (!m_main.state().bAreaWindowOpen)
        return;
    if (lZoom < kMaxZoom)
        lZoom += kZoomStep;
    shpCursor->resize(lZoom, lZoom);
    DrawLevel();
}

void frmLevelEdit::ZoomOut()
{
    if (!m_main.state().bAreaWindowOpen)
        return;
    if (lZoom > kMinZoom)
        lZoom -= kZoomStep;
    shpCursor->resize(lZoom, lZoom);
    DrawLevel();
}

AreaView frmLevelEdit::currentView() const
{
    AreaView view;
    view.size = size();
    view.zoom = lZoom;
    view.firstColumn = hScroll->value();
    view.firstRow = vScroll->value();
    view.showEnemies = m_main.tMode == 2 || bForceShowEnemy;
    view.showTags = m_main.tMode == 1 || bForceShowTags;
    view.background = kBackground;
    return view;
}

void frmLevelEdit::DrawLevel()
{
    if (!m_main.state().bAreaWindowOpen)
        return;
    shpCursor->resize(lZoom, lZoom);  // lZoom is public: whoever set it expects the cursor to follow
    const AreaView view = currentView();
    m_renderer.setSources(m_main.picHoldTiles, m_main.picHoldTags);
    m_renderer.draw(oArea, view, m_back);
    backImageShows(view);
    const int visible = std::max(1, width() / std::max(lZoom, 1));
    hScroll->setPageStep(visible);
    vScroll->setPageStep(std::max(1, height() / std::max(lZoom, 1)));
    update();
}

void frmLevelEdit::scrolled()
{
    if (!m_main.state().bAreaWindowOpen)
        return;
    // The same picture as DrawLevel, reached by moving what stays in sight.
    const AreaView view = currentView();
    m_renderer.setSources(m_main.picHoldTiles, m_main.picHoldTags);
    if (m_drawnValid)
        m_renderer.scroll(oArea, m_drawn, view, m_back);
    else
        m_renderer.draw(oArea, view, m_back);
    backImageShows(view);
    update();
}

void frmLevelEdit::backImageShows(const AreaView &view)
{
    m_drawn = view;
    m_drawnValid = true;
    // The outlines follow the squares they stand on.
    placeSelection();
    if (m_dragging || m_floating)
        placeFootprint();
}

std::optional<AreaView> frmLevelEdit::viewForSquares()
{
    if (!m_main.state().bAreaWindowOpen)
        return std::nullopt;
    const AreaView view = currentView();
    m_renderer.setSources(m_main.picHoldTiles, m_main.picHoldTags);
    if (!m_drawnValid || !(view == m_drawn) || m_renderer.sourcesChanged()) {
        DrawLevel();
        return std::nullopt;
    }
    return view;
}

void frmLevelEdit::applyEdit(const AreaEdit &edit)
{
    const AreaCell &a = edit.after;
    if (a.bIsTile)
        oArea.SetTile(edit.X, edit.Y, a.xSrc, a.ySrc);
    else
        oArea.EraseTile(edit.X, edit.Y);
    (void)oArea.SetTileTag(edit.X, edit.Y, a.lTag);
    (void)oArea.SetTileEnemy(edit.X, edit.Y, a.lEnemy);
    if (edit.movesStart)
        oArea.SetStartPos(static_cast<qint16>(edit.startAfter.x()), static_cast<qint16>(edit.startAfter.y()));
    bChanged = true;
    recordEdit(edit);

    const std::optional<AreaView> squares = viewForSquares();
    if (!squares)
        return;
    const AreaView &view = *squares;
    // Only the squares that changed: the picture is the same as a full DrawLevel.
    QRect dirty = m_renderer.drawCell(oArea, view, m_back, edit.X, edit.Y);
    if (edit.movesStart) {
        dirty |= m_renderer.drawCell(oArea, view, m_back, edit.startBefore.x(), edit.startBefore.y());
        dirty |= m_renderer.drawCell(oArea, view, m_back, edit.startAfter.x(), edit.startAfter.y());
    }
    if (!dirty.isEmpty())
        update(dirty);
}

QPoint frmLevelEdit::windowCell(QPointF position, qint32 zoom)
{
    auto toCell = [zoom](qreal v) {
        if (!std::isfinite(v))
            return 0;
        // nearbyint rounds a half to the even neighbour; integer division truncates toward zero.
        const auto pixel = static_cast<qint64>(std::nearbyint(std::clamp(v, -1e9, 1e9)));
        return static_cast<int>(pixel / std::max(zoom, 1));
    };
    return {toCell(position.x()), toCell(position.y())};
}

void frmLevelEdit::buttonDown(int button, QPointF position)
{
    const QPoint window = windowCell(position, lZoom);
    const qint32 c = window.x() + hScroll->value();
    const qint32 r = window.y() + vScroll->value();
    if (c < 0 || r < 0 || c > oArea.width() || r > oArea.height())
        return;

    AreaEdit edit;
    edit.X = c;
    edit.Y = r;
    edit.before = cellAt(oArea, c, r);
    edit.after = edit.before;
    AreaCell &after = edit.after;
    const qint32 mode = m_main.tMode;
    if (bSetStartMode) {
        // Any button ends the placement; only the left button alone places.
        bSetStartMode = false;
        updateCursorShape();
        if (button == kLeft) {
            edit.movesStart = true;
            edit.startBefore = QPoint(oArea.StartX(), oArea.StartY());
            edit.startAfter = QPoint(static_cast<qint16>(c), static_cast<qint16>(r));
        }
    } else if (button == kLeft) {
        m_editName = kPaint;
        const qint32 x = m_main.curTileX;
        const qint32 y = m_main.curTileY;
        if (mode == 0 && x >= 0 && x <= 255 && y >= 0 && y <= 255)
            after = AreaCell{true, static_cast<quint8>(x), static_cast<quint8>(y), after.lTag, after.lEnemy};
        else if (mode == 1)
            after.lTag = y;
        else if (mode == 2)
            after.lEnemy = y;
    } else {
        m_editName = kErase;
        if (mode == 0)
            after = AreaCell{false, 0, 0, after.lTag, after.lEnemy};
        else if (mode == 1)
            after.lTag = 0;
        else if (mode == 2)
            after.lEnemy = 0;
    }
    applyEdit(edit);
}

void frmLevelEdit::moveCursorTo(QPointF position)
{
    const QPoint window = windowCell(position, lZoom);
    m_pointerCell = QPoint(window.x() + hScroll->value(), window.y() + vScroll->value());
    if (m_dragging || m_floating) {
        placeFootprint();
    } else {
        shpCursor->setGeometry(window.x() * lZoom, window.y() * lZoom, lZoom, lZoom);
        shpCursor->show();
    }
}

void frmLevelEdit::showStatus(QPointF position)
{
    const QString size = QStringLiteral("Area %1 × %2").arg(oArea.width() + 1).arg(oArea.height() + 1);
    QString text = size;
    const QPoint window = windowCell(position, lZoom);
    const qint32 c = window.x() + hScroll->value();
    const qint32 r = window.y() + vScroll->value();
    if (rect().contains(position.toPoint()) && c >= 0 && r >= 0 && c <= oArea.width() && r <= oArea.height()) {
        const QString tile = oArea.IsTile(c, r)
                                 ? QStringLiteral("(%1, %2)").arg(oArea.xSrc(c, r)).arg(oArea.ySrc(c, r))
                                 : QStringLiteral("none");
        text = QStringLiteral("Cell (%1, %2)  tile %3  tag %4  enemy %5      %6")
                   .arg(c)
                   .arg(r)
                   .arg(tile)
                   .arg(oArea.TileTag(c, r))
                   .arg(oArea.TileEnemy(c, r))
                   .arg(size);
    }
    m_main.statusBar()->showMessage(text);
}

void frmLevelEdit::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF position = event->position();
    if (m_dragging)
        m_dragTo = cellUnder(position);
    moveCursorTo(position);
    showStatus(position);
    const int buttons = static_cast<int>(event->buttons());
    if (buttons == 0) {
        m_pressSwallowed = false;
        endStroke();  // a release that went elsewhere
        return;
    }
    if (m_pressSwallowed)
        return;
    if (m_strokeOpen || (m_tool == AreaTool::Pencil && !m_dragging && !m_floating)) {
        m_strokeOpen = true;
        buttonDown(buttons, position);
    }
}

void frmLevelEdit::mousePressEvent(QMouseEvent *event)
{
    const int button = static_cast<int>(event->button());
    const QPointF position = event->position();
    const QPoint cell = cellUnder(position);
    m_pressSwallowed = false;
    m_pressPlacedStart = bSetStartMode && inArea(cell);
    // Alt with the left button picks in any tool; a pending start placement comes first.
    if (!bSetStartMode && button == kLeft && (event->modifiers() & Qt::AltModifier)) {
        pickCell(cell.x(), cell.y());
    } else if (const bool pencil = m_strokeOpen || (m_tool == AreaTool::Pencil && !m_floating && !m_dragging);
               pencil || bSetStartMode) {
        // With another tool the start is placed by the press alone; the drag paints nothing.
        m_strokeOpen = pencil;
        buttonDown(button, position);
    } else {
        toolPressed(button, cell);
    }
    showStatus(position);
}

void frmLevelEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The toolkit turns the second press of a double-click into this event. When the first
    // press placed the start, the second belongs to the same gesture: it paints nothing, not
    // even while it is dragged. Otherwise it is one more press, as a quick second click is.
    if (m_pressPlacedStart) {
        m_pressPlacedStart = false;
        m_pressSwallowed = true;
        event->accept();
        return;
    }
    mousePressEvent(event);
}

void frmLevelEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        return;
    m_pressSwallowed = false;
    endStroke();
    if (m_dragging)
        toolReleased();
}

void frmLevelEdit::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_main.state().bAreaWindowOpen)
        m_main.statusBar()->showMessage(
            QStringLiteral("Area %1 × %2").arg(oArea.width() + 1).arg(oArea.height() + 1));
}

void frmLevelEdit::zoomAround(bool in, QPointF position)
{
    const QPoint before = windowCell(position, lZoom);
    const qint32 c = before.x() + hScroll->value();
    const qint32 r = before.y() + vScroll->value();
    const qint32 old = lZoom;
    if (in)
        ZoomIn();
    else
        ZoomOut();
    if (lZoom == old)
        return;
    // Keep the cell under the pointer where the scroll range allows.
    const QPoint after = windowCell(position, lZoom);
    hScroll->setValue(c - after.x());
    vScroll->setValue(r - after.y());
    moveCursorTo(position);
}

void frmLevelEdit::wheelEvent(QWheelEvent *event)
{
    const QPoint delta = event->angleDelta();
    m_wheelRest += delta.y() != 0 ? delta.y() : delta.x();
    const int steps = m_wheelRest / kWheelStep;
    m_wheelRest -= steps * kWheelStep;
    event->accept();
    if (steps == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        zoomAround(steps > 0, event->position());
        m_wheelRest = 0;
    } else if (event->modifiers() & Qt::ShiftModifier || delta.y() == 0) {
        hScroll->setValue(hScroll->value() - steps * kWheelCells);
    } else {
        vScroll->setValue(vScroll->value() - steps * kWheelCells);
    }
}

void frmLevelEdit::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_C: copySelection(); break;
        case Qt::Key_X: cutSelection(); break;
        case Qt::Key_V: startPaste(); break;
        default: QWidget::keyPressEvent(event); return;
        }
        event->accept();
        return;
    }
    if (mods == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_P: setTool(AreaTool::Pencil); event->accept(); return;
        case Qt::Key_R: setTool(AreaTool::Rectangle); event->accept(); return;
        case Qt::Key_F: setTool(AreaTool::Fill); event->accept(); return;
        case Qt::Key_I: setTool(AreaTool::Pick); event->accept(); return;
        case Qt::Key_S: setTool(AreaTool::Select); event->accept(); return;
        case Qt::Key_Escape: cancelTool(); event->accept(); return;
        default: break;
        }
    }
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomIn(); break;
    case Qt::Key_Minus: ZoomOut(); break;
    case Qt::Key_Left: hScroll->setValue(hScroll->value() - 1); break;
    case Qt::Key_Right: hScroll->setValue(hScroll->value() + 1); break;
    case Qt::Key_Up: vScroll->setValue(vScroll->value() - 1); break;
    case Qt::Key_Down: vScroll->setValue(vScroll->value() + 1); break;
    case Qt::Key_PageUp:
        if (event->modifiers() & Qt::ShiftModifier)
            hScroll->setValue(hScroll->value() - hScroll->pageStep());
        else
            vScroll->setValue(vScroll->value() - vScroll->pageStep());
        break;
    case Qt::Key_PageDown:
        if (event->modifiers() & Qt::ShiftModifier)
            hScroll->setValue(hScroll->value() + hScroll->pageStep());
        else
            vScroll->setValue(vScroll->value() + vScroll->pageStep());
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void frmLevelEdit::showMenu()
{
    if (m_main.mnuLevelMenu)
        m_main.mnuLevelMenu->popup(QCursor::pos());
    picCornerSize->setFocus(Qt::MouseFocusReason);
}

void frmLevelEdit::layOut()
{
    const int w = width();
    const int h = height();
    // Below the scroll bars' size the controls shrink to nothing rather than fail.
    hScroll->setGeometry(0, h - kBar, std::max(w - kBar, 0), kBar);
    vScroll->setGeometry(w - kBar, 0, kBar, std::max(h - kBar, 0));
    picCornerSize->setGeometry(w - kBar, h - kBar, kBar, kBar);
}

void frmLevelEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
    DrawLevel();
}

void frmLevelEdit::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect area = event->rect();
    if (m_back.isNull()) {
        p.fillRect(area, QColor::fromRgb(kBackground));
        return;
    }
    if (!m_back.rect().contains(area))
        p.fillRect(area, QColor::fromRgb(kBackground));
    const QRect shown = area.intersected(m_back.rect());
    p.drawImage(shown.topLeft(), m_back, shown);
}

void frmLevelEdit::closeEvent(QCloseEvent *event)
{
    if (bChanged && !askToSave()) {
        event->ignore();
        return;
    }
    m_main.state().bAreaWindowOpen = false;
    event->accept();
}

void frmLevelEdit::ExportImage()
{
    if (!oArea.hasGrid())
        return;
    const std::optional<QString> chosen = m_main.dialogs().saveFile(
        this, QStringLiteral("Export as Image"),
        QStringLiteral("PNG pictures (*.png);;Bitmaps (*.bmp)"), QStringLiteral("png"));
    if (!chosen || chosen->isEmpty())
        return;
    QString path = *chosen;
    std::optional<PictureFormat> format = pictureFormatOf(path);
    if (!format) {
        path += QStringLiteral(".png");
        format = PictureFormat::Png;
    }
    const AreaView view = currentView();
    AreaPictureOptions options;
    options.zoom = view.zoom;
    options.tags = view.showTags;
    options.enemies = view.showEnemies;
    options.background = view.background;

    // Shown only once the drawing has taken half a second; drawn in strips, so it can stop.
    // Modal to every window: a second thread reads the area while it is drawn, so nothing may
    // change or replace it until the picture is done.
    QProgressDialog progress(QStringLiteral("Exporting the area..."), QStringLiteral("Cancel"), 0, 100, this);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setValue(0);
    const vt::Status s = writeAreaPicture(
        oArea, m_main.picHoldTiles.convertToFormat(QImage::Format_RGB32),
        m_main.picHoldTags.convertToFormat(QImage::Format_RGB32), options, *format, path,
        [&progress](qint64 done, qint64 total) {
            progress.setValue(int(done * 100 / std::max<qint64>(total, 1)));
            return !progress.wasCanceled();
        });
    const bool cancelled = progress.wasCanceled();
    progress.reset();
    if (!s && !cancelled)
        message(s.error());
}

} // namespace tessaforge
