#include "frmLevelEdit.h"

#include "frmLevelTiles.h"
#include "frmMain.h"
#include "frmRenameLevel.h"

#include "world/mCommon.h"
#include "render/AreaPicture.h"

#include "AnsiText.h"
#include "Dialogs.h"
#include "Paths.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QUndoCommand>
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

constexpr int kLeft = 1;          // the left button alone, as a button mask

// Only spaces are trimmed from a typed name, as the input box's callers always did.
QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

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

AreaCell cellOf(const oLevel &area, qint32 X, qint32 Y)
{
    return cellAt(area, X, Y);
}

const QString kPaint = QStringLiteral("Paint");
const QString kErase = QStringLiteral("Erase");
const QString kStartPosition = QStringLiteral("Start Position");

} // namespace

// ---- one step of the area's history ------------------------------------------------------

// Holds what one step changed. A step is pushed after its change was made, so its first redo
// does nothing; a pencil drag keeps adding to its step while it is the newest one.
class AreaCommand final : public QUndoCommand
{
public:
    AreaCommand(frmLevelEdit &editor, AreaStep step, const QString &name)
        : QUndoCommand(name), m_editor(editor), m_stroke(std::move(step))
    {
        counted();
    }
    ~AreaCommand() override { m_editor.m_historyBytes -= m_counted; }
    Q_DISABLE_COPY_MOVE(AreaCommand)

    void undo() override
    {
        if (!m_editor.m_replaying)
            m_editor.replayStep(m_stroke.step(), false);
    }
    void redo() override
    {
        if (m_pushed) {
            m_pushed = false;
            return;
        }
        if (!m_editor.m_replaying)
            m_editor.replayStep(m_stroke.step(), true);
    }

    // One more edit of the same drag.
    void add(const AreaEdit &edit)
    {
        if (edit.movesStart)
            m_stroke.moveStart(edit.startBefore, edit.startAfter);
        if (!(edit.before == edit.after))
            m_stroke.record(edit.X, edit.Y, edit.before, edit.after);
        counted();
    }
    void close()
    {
        m_stroke.close();
        counted();
    }
    AreaStep takeStep()
    {
        AreaStep step = m_stroke.takeStep();
        counted();
        return step;
    }
    bool hasCells() const { return !m_stroke.step().cells.empty(); }
    qsizetype bytes() const { return m_counted; }

    // The first redo, which push() makes, is the change already made.
    bool m_pushed = true;

private:
    // Keeps the editor's count of the history's bytes up to date.
    void counted()
    {
        const qsizetype now = qsizetype(sizeof(AreaCommand)) + m_stroke.bytes();
        m_editor.m_historyBytes += now - m_counted;
        m_counted = now;
    }

    frmLevelEdit &m_editor;
    AreaStroke m_stroke;
    qsizetype m_counted = 0;
};

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

    picCornerSize = new QWidget(this);
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
    switch (m_main.dialogs().question(this, kTitle, kSaveQuestion, vt::Dialogs::Buttons::YesNoCancel,
                                      vt::Dialogs::Icon::None)) {
    case vt::Dialogs::Answer::Yes: return SaveArea();
    case vt::Dialogs::Answer::No: return true;
    default: return false;
    }
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
    if (isVisible() && bChanged && !askToSave())
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
    const QString name = answer ? trimSpaces(*answer) : QString();
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
    m_drawn = view;
    m_drawnValid = true;
    placeSelection();
    if (m_dragging || m_floating)
        placeFootprint();
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
    m_drawn = view;
    m_drawnValid = true;
    placeSelection();
    if (m_dragging || m_floating)
        placeFootprint();
    update();
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

    if (!m_main.state().bAreaWindowOpen)
        return;
    const AreaView view = currentView();
    m_renderer.setSources(m_main.picHoldTiles, m_main.picHoldTags);
    if (!m_drawnValid || !(view == m_drawn) || m_renderer.sourcesChanged()) {
        DrawLevel();
        return;
    }
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
    edit.before = cellOf(oArea, c, r);
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
        endStroke();  // a release that went elsewhere
        return;
    }
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

void frmLevelEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        return;
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

// ---- history -------------------------------------------------------------------------------

void frmLevelEdit::setHistoryLimit(qsizetype bytes)
{
    m_historyLimit = std::max<qsizetype>(bytes, 0);
    trimHistory();
}

void frmLevelEdit::clearHistory()
{
    endStroke();
    m_undo->clear();
    m_selection = QRect();
    m_dragging = false;
    m_floating = false;
    if (shpSelection)
        shpSelection->hide();
    updateCursorShape();
}

void frmLevelEdit::pushStep(AreaStep step, const QString &name)
{
    if (step.isEmpty())
        return;
    endStroke();
    m_undo->push(new AreaCommand(*this, std::move(step), name));
    trimHistory();
}

void frmLevelEdit::recordEdit(const AreaEdit &edit)
{
    if (edit.before == edit.after && !edit.movesStart)
        return;  // a repeat within one cell, or a button that changes nothing
    const QString name = edit.before == edit.after ? kStartPosition : m_editName;
    // A drag keeps growing its step while that step is the newest: an undo in the middle of
    // a drag ends it, and the rest of the drag makes a step of its own.
    const bool onTop = m_strokeCommand && m_undo->index() == m_undo->count() && m_undo->count() > 0 &&
                       m_undo->command(m_undo->count() - 1) == m_strokeCommand;
    if (m_strokeOpen && onTop) {
        const bool hadCells = m_strokeCommand->hasCells();
        m_strokeCommand->add(edit);
        if (!hadCells && m_strokeCommand->hasCells()) {
            // The start was placed at the press and the drag goes on painting.
            m_strokeCommand->setText(name);
            Q_EMIT m_undo->undoTextChanged(m_undo->undoText());
        }
        trimHistory();
        return;
    }
    AreaStep step;
    if (!(edit.before == edit.after))
        step.cells.push_back(CellChange{edit.X, edit.Y, edit.before, edit.after});
    if (edit.movesStart) {
        step.movesStart = true;
        step.startBefore = edit.startBefore;
        step.startAfter = edit.startAfter;
    }
    const bool strokeOpen = m_strokeOpen;
    pushStep(std::move(step), name);
    if (strokeOpen) {
        m_strokeOpen = true;
        m_strokeCommand = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(m_undo->count() - 1)));
    }
}

void frmLevelEdit::endStroke()
{
    const bool onTop = m_strokeCommand && m_undo->count() > 0 &&
                       m_undo->command(m_undo->count() - 1) == m_strokeCommand;
    if (onTop)
        m_strokeCommand->close();
    m_strokeCommand = nullptr;
    m_strokeOpen = false;
}

void frmLevelEdit::trimHistory()
{
    if (m_historyBytes <= m_historyLimit || m_undo->count() <= 1)
        return;
    // QUndoStack cannot drop its oldest steps, so the history is built again from the
    // newest ones that fit in three quarters of the limit (at least the newest one), which
    // keeps rebuilding rare. Undo and redo do nothing while the steps are put back.
    const int count = m_undo->count();
    const int index = m_undo->index();
    const qsizetype goal = m_historyLimit / 4 * 3;
    qsizetype kept = 0;
    int first = count;
    for (int i = count - 1; i >= 0; --i) {
        auto *command = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(i)));
        const qsizetype size = command->bytes();
        if (i < count - 1 && kept + size > goal)
            break;
        kept += size;
        first = i;
    }
    first = std::min(first, index);  // steps that can still be redone are not dropped
    if (first <= 0)
        return;

    const bool strokeOpen = m_strokeOpen && m_strokeCommand &&
                            m_undo->command(count - 1) == m_strokeCommand;
    std::vector<std::pair<AreaStep, QString>> steps;
    steps.reserve(std::size_t(count - first));
    for (int i = first; i < count; ++i) {
        auto *command = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(i)));
        steps.emplace_back(command->takeStep(), command->text());
    }
    m_strokeCommand = nullptr;
    m_replaying = true;
    m_undo->clear();
    for (auto &[step, name] : steps)
        m_undo->push(new AreaCommand(*this, std::move(step), name));
    m_undo->setIndex(index - first);
    m_replaying = false;
    if (strokeOpen)
        m_strokeCommand = static_cast<AreaCommand *>(const_cast<QUndoCommand *>(m_undo->command(m_undo->count() - 1)));
}

void frmLevelEdit::replayStep(const AreaStep &step, bool forward)
{
    endStroke();
    step.apply(oArea, forward);
    bChanged = true;  // also when the history goes back to the state last saved
    if (step.togglesSideWarp)
        showSideWarp();
    if (step.resizes) {
        m_selection &= QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
        areaReplaced();
        DrawLevel();
        return;
    }
    redrawStep(step);
    if (step.movesStart && m_main.state().bAreaWindowOpen && m_drawnValid) {
        const AreaView view = currentView();
        if (view == m_drawn && !m_renderer.sourcesChanged()) {
            QRect dirty = m_renderer.drawCell(oArea, view, m_back, step.startBefore.x(), step.startBefore.y());
            dirty |= m_renderer.drawCell(oArea, view, m_back, step.startAfter.x(), step.startAfter.y());
            update(dirty);
        } else {
            DrawLevel();
        }
    }
}

void frmLevelEdit::redrawCells(const std::vector<CellChange> &cells)
{
    if (!m_main.state().bAreaWindowOpen || cells.empty())
        return;
    const AreaView view = currentView();
    m_renderer.setSources(m_main.picHoldTiles, m_main.picHoldTags);
    if (!m_drawnValid || !(view == m_drawn) || m_renderer.sourcesChanged()) {
        DrawLevel();
        return;
    }
    const QRect shown(view.firstColumn, view.firstRow, view.squaresAcross(), view.squaresDown());
    std::vector<QPoint> visible;
    for (const CellChange &c : cells) {
        if (shown.contains(c.X, c.Y)) {
            visible.emplace_back(c.X, c.Y);
            if (qint64(visible.size()) * 2 > qint64(shown.width()) * shown.height()) {
                DrawLevel();  // most of the view: one whole redraw is cheaper
                return;
            }
        }
    }
    QRect dirty;
    for (const QPoint &p : visible)
        dirty |= m_renderer.drawCell(oArea, view, m_back, p.x(), p.y());
    if (!dirty.isEmpty())
        update(dirty);
}

void frmLevelEdit::applyStep(const std::function<std::optional<AreaStep>(oLevel &)> &tool, const QString &name)
{
    std::optional<AreaStep> made = tool(oArea);
    if (!made)
        return;
    AreaStep step = std::move(*made);
    bChanged = true;
    redrawStep(step);
    pushStep(std::move(step), name);
}

void frmLevelEdit::redrawStep(const AreaStep &step)
{
    redrawCells(step.cells);
    if (step.spans.empty() || !m_main.state().bAreaWindowOpen)
        return;
    const AreaView view = currentView();
    const QRect shown(view.firstColumn, view.firstRow, view.squaresAcross(), view.squaresDown());
    for (const CellSpan &s : step.spans)
        if (shown.intersects(QRect(s.X, s.top, 1, s.bottom - s.top + 1))) {
            DrawLevel();
            return;
        }
}

void frmLevelEdit::applyEdits(std::vector<CellChange> cells, const QString &name)
{
    for (const CellChange &c : cells)
        putCell(oArea, c.X, c.Y, c.after);
    bChanged = true;
    redrawCells(cells);
    AreaStep step;
    step.cells = std::move(cells);
    pushStep(std::move(step), name);
}

// ---- tools ---------------------------------------------------------------------------------

QPoint frmLevelEdit::cellUnder(QPointF position) const
{
    const QPoint window = windowCell(position, lZoom);
    return {window.x() + hScroll->value(), window.y() + vScroll->value()};
}

bool frmLevelEdit::inArea(QPoint cell) const
{
    return cell.x() >= 0 && cell.y() >= 0 && cell.x() <= oArea.width() && cell.y() <= oArea.height();
}

void frmLevelEdit::setTool(AreaTool tool)
{
    if (m_dragging || m_floating) {
        m_dragging = false;
        m_floating = false;
    }
    m_tool = tool;
    if (QAction *item = mnuTool[static_cast<int>(tool)])
        item->setChecked(true);
    if (tool != AreaTool::Select) {
        m_selection = QRect();
        placeSelection();
    }
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
}

void frmLevelEdit::updateCursorShape()
{
    if (!shpCursor)
        return;
    if (bSetStartMode)
        shpCursor->setShape(AreaCursor::Shape::RoundedSquare);
    else if (m_dragging || m_floating)
        shpCursor->setShape(AreaCursor::Shape::Box);
    else
        shpCursor->setShape(AreaCursor::Shape::Circle);
}

QRect frmLevelEdit::windowRectOf(const QRect &cells) const
{
    return {(cells.left() - hScroll->value()) * lZoom, (cells.top() - vScroll->value()) * lZoom,
            cells.width() * lZoom, cells.height() * lZoom};
}

void frmLevelEdit::placeFootprint()
{
    QRect cells;
    if (m_floating)
        cells = QRect(m_pointerCell, QSize(m_floatingBlock.columns, m_floatingBlock.rows));
    else if (m_dragging)
        cells = cellsBetween(m_dragFrom, m_dragTo);
    else
        return;
    // Far beyond the window the outline is clipped to a little more than the window.
    const QRect shown = windowRectOf(cells) & rect().adjusted(-lZoom, -lZoom, lZoom, lZoom);
    updateCursorShape();
    shpCursor->setGeometry(shown);
    shpCursor->show();
}

void frmLevelEdit::placeSelection()
{
    if (!shpSelection)
        return;
    if (m_selection.isEmpty()) {
        shpSelection->hide();
        return;
    }
    shpSelection->setGeometry(windowRectOf(m_selection) & rect().adjusted(-lZoom, -lZoom, lZoom, lZoom));
    shpSelection->show();
}

void frmLevelEdit::toolPressed(int button, QPoint cell)
{
    m_pointerCell = cell;
    if (m_floating) {
        if (button == kLeft)
            placePaste(cell);
        else
            cancelTool();  // any other button drops the block
        return;
    }
    switch (m_tool) {
    case AreaTool::Pencil: break;
    case AreaTool::Rectangle:
    case AreaTool::Select:
        if (m_dragging)
            return;  // a second button during the drag
        if (!inArea(cell))
            return;
        m_dragging = true;
        m_dragButton = button;
        m_dragFrom = cell;
        m_dragTo = cell;
        placeFootprint();
        break;
    case AreaTool::Fill:
        if (inArea(cell))
            fillAt(cell, button != kLeft);
        break;
    case AreaTool::Pick:
        if (button == kLeft)
            pickCell(cell.x(), cell.y());
        break;
    }
}

void frmLevelEdit::toolReleased()
{
    m_dragging = false;
    const QRect cells = cellsBetween(m_dragFrom, m_dragTo) & QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
    if (m_tool == AreaTool::Select) {
        m_selection = cells;
        placeSelection();
        return;
    }
    if (cells.isEmpty())
        return;
    if (qint64(cells.width()) * cells.height() > AreaBlock::kMaxCells) {
        message(QStringLiteral("The rectangle has more than %1 cells; it was not filled.").arg(AreaBlock::kMaxCells));
        return;
    }
    const AreaLayer layer = static_cast<AreaLayer>(std::clamp(m_main.tMode, 0, 2));
    applyEdits(rectangleChanges(oArea, cells, layer, m_dragButton != kLeft, m_main.curTileX, m_main.curTileY),
               QStringLiteral("Rectangle"));
}

void frmLevelEdit::fillAt(QPoint cell, bool erase)
{
    const AreaLayer layer = static_cast<AreaLayer>(std::clamp(m_main.tMode, 0, 2));
    bool tooLarge = false;
    applyStep(
        [&](oLevel &area) -> std::optional<AreaStep> {
            AreaStep step = floodFill(area, cell.x(), cell.y(), layer, erase, m_main.curTileX, m_main.curTileY,
                                      kFillLimit, &tooLarge);
            if (tooLarge)
                return std::nullopt;
            return step;
        },
        QStringLiteral("Fill"));
    if (tooLarge)
        message(QStringLiteral("The region has more than %1 cells; it was not filled.").arg(kFillLimit));
}

void frmLevelEdit::pickCell(qint32 c, qint32 r)
{
    if (!inArea(QPoint(c, r)))
        return;
    const AreaCell cell = cellAt(oArea, c, r);
    // The palette offers the tag sheet's values only; a larger one from a file is not picked.
    const qint32 largest = std::max(0, m_main.picHoldTags.height() / 16 - 2);
    switch (m_main.tMode) {
    case 0:
        if (!cell.bIsTile)
            return;
        m_main.curTileX = cell.xSrc;
        m_main.curTileY = cell.ySrc;
        break;
    case 1:
        if (cell.lTag > largest)
            return;
        m_main.curTileX = 0;
        m_main.curTileY = cell.lTag;
        break;
    case 2:
        if (cell.lEnemy > largest)
            return;
        m_main.curTileX = 1;
        m_main.curTileY = cell.lEnemy;
        break;
    default: return;
    }
    if (frmLevelTiles *palette = m_main.palette())
        palette->showSelection();
}

void frmLevelEdit::copySelection()
{
    if (m_selection.isEmpty())
        return;
    AreaBlock block = copyBlock(oArea, m_selection);
    if (block.isEmpty()) {
        message(QStringLiteral("The selection has more than %1 cells; it was not copied.").arg(AreaBlock::kMaxCells));
        return;
    }
    m_clipboard = std::move(block);
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(blockToText(m_clipboard));
}

void frmLevelEdit::cutSelection()
{
    if (m_selection.isEmpty())
        return;
    copySelection();
    if (m_clipboard.isEmpty())
        return;
    std::vector<CellChange> cells;
    const QRect cut = m_selection & QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
    for (qint32 c = cut.left(); c <= cut.right(); ++c)
        for (qint32 r = cut.top(); r <= cut.bottom(); ++r)
            if (const AreaCell before = cellAt(oArea, c, r); !(before == AreaCell{}))
                cells.push_back(CellChange{c, r, before, AreaCell{}});
    applyEdits(std::move(cells), QStringLiteral("Cut"));
}

void frmLevelEdit::startPaste()
{
    // The system clipboard may hold a block from another area or another world's editor.
    std::optional<AreaBlock> block;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        block = blockFromText(clipboard->text());
    if (block)
        m_clipboard = std::move(*block);
    if (m_clipboard.isEmpty())
        return;
    m_dragging = false;
    m_floatingBlock = m_clipboard;
    m_floating = true;
    placeFootprint();
}

void frmLevelEdit::placePaste(QPoint cell)
{
    m_floating = false;
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
    applyEdits(pasteChanges(oArea, m_floatingBlock, cell), QStringLiteral("Paste"));
    m_floatingBlock = AreaBlock();
}

void frmLevelEdit::cancelTool()
{
    if (m_floating || m_dragging) {
        m_floating = false;
        m_dragging = false;
        m_floatingBlock = AreaBlock();
    } else {
        m_selection = QRect();
        placeSelection();
    }
    updateCursorShape();
    shpCursor->resize(lZoom, lZoom);
}

} // namespace tessaforge
