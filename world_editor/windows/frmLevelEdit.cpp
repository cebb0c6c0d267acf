#include "frmLevelEdit.h"

#include "Panel.h"
#include "DocumentRecovery.h"
#include "Recovery.h"
#include "frmResizeLevel.h"

#include "world/mCommon.h"
#include "render/AreaPicture.h"

#include "AnsiText.h"
#include "Dialogs.h"
#include "Journal.h"
#include "Paths.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QUndoStack>

#include <algorithm>

namespace tessaforge {

namespace {

const QString kTitle = QStringLiteral("Area Editor");
const QString kSaveQuestion = QStringLiteral("Save changes to area?");


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

} // namespace

// ---- the window -------------------------------------------------------------------------

frmLevelEdit::frmLevelEdit(AreaDocument &document, AreaBrush &brush, const AreaPictures &pictures,
                           WorldDocument &world, vt::Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_document(document), m_brush(brush), m_pictures(pictures), m_world(world),
      m_dialogs(dialogs), oArea(document.area())
{
    connect(&m_pictures, &AreaPictures::tilesetChanged, this, &frmLevelEdit::DrawLevel);
    setObjectName(QStringLiteral("frmLevelEdit"));
    updateTitle();
    connect(&m_document, &Document::modifiedChanged, this, &frmLevelEdit::updateTitle);
    connect(&m_document, &AreaDocument::fileNameChanged, this, &frmLevelEdit::updateTitle);
    // Said once, in a box: a line in the status bar would be gone at the next menu hover.
    connect(&m_document, &AreaDocument::journalFailed, this, [this](const QString &why) {
        message(vt::recoveryOffText(m_document.filePath(), QStringLiteral("the new area"), why)
                + QStringLiteral("\nEditing goes on; save to keep your changes."));
    });
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    shpSelection = new AreaCursor(this);
    shpSelection->setObjectName(QStringLiteral("shpSelection"));
    shpSelection->setShape(AreaCursor::Shape::Box);
    shpSelection->hide();
    shpCursor = new AreaCursor(this);
    shpCursor->hide();

    // Another layer shown or edited: the view is drawn again.
    connect(&m_brush, &AreaBrush::changed, this, [this] {
        for (auto [action, on] : {std::pair{mnuShowTags, m_brush.bForceShowTags},
                                  std::pair{mnuShowEnemies, m_brush.bForceShowEnemy}}) {
            const QSignalBlocker quiet(action);
            action->setChecked(on);
        }
        if (m_drawnValid && !(currentView() == m_drawn))
            DrawLevel();
    });
    connect(&m_document, &AreaDocument::cellsChanged, this, &frmLevelEdit::redrawCells);
    connect(&m_document, &AreaDocument::startMoved, this, &frmLevelEdit::redrawStart);
    connect(&m_document, &AreaDocument::resized, this, &frmLevelEdit::areaResized);
    connect(&m_document, &AreaDocument::sideWarpChanged, this, &frmLevelEdit::showSideWarp);
    connect(&m_document, &AreaDocument::areaReplaced, this, [this] {
        dropToolState();
        areaReplaced();
        DrawLevel();
    });

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
    areaReplaced();
}

frmLevelEdit::~frmLevelEdit() = default;

void frmLevelEdit::addMenuItems()
{
    // The area menu, which the "Menu" button pops up: the area's commands, then the tools,
    // the clipboard and the history.
    mnuLevelMenu = new QMenu(QStringLiteral("LevelMenu"), this);
    mnuLevelMenu->setObjectName(QStringLiteral("mnuLevelMenu"));
    QMenu *menu = mnuLevelMenu;
    auto command = [this, menu](const char *name, const QString &caption, auto operation) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, operation);
        return a;
    };
    auto dash = [menu](const char *name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };
    // Keys that act while the window is the frame's document in charge (setKeysActive), even
    // when the palette or the side bar has the focus.
    auto key = [this](QAction *a, const QList<QKeySequence> &keys) {
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        m_keyActions.append(a);
        return a;
    };
    command("mnuLevNew", QStringLiteral("&New"), [this] { NewArea(); });
    mnuLevSave = command("mnuLevSave", QStringLiteral("&Save"), [this] { SaveArea(); });
    mnuLevSave->setShortcutContext(Qt::WindowShortcut);
    addAction(mnuLevSave);
    command("mnuLevExport", QStringLiteral("Export as &Image..."), [this] { ExportImage(); });
    dash("mnuDashLC");
    mnuLevZoomIn = key(command("mnuLevZoomIn", QStringLiteral("Zoom &In"), [this] { ZoomIn(); }),
                       {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});
    mnuLevZoomOut = key(command("mnuLevZoomOut", QStringLiteral("Zoom &Out"), [this] { ZoomOut(); }),
                        {QKeySequence(Qt::Key_Minus)});
    dash("mnuLevDashNine");
    // What the view shows besides the edited layer; never stored in a file.
    auto toggle = [&](const char *name, const QString &caption, Qt::Key shortcut, const QString &tip) {
        auto *a = new QAction(caption, this);  // in the menu after the area's own items
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        key(a, {QKeySequence(shortcut)});
        a->setToolTip(QStringLiteral("%1 (%2)").arg(tip, QKeySequence(shortcut).toString(QKeySequence::NativeText)));
        return a;
    };
    mnuShowTags = toggle("mnuLevShowTags", QStringLiteral("Show &Tags"), Qt::Key_T,
                         QStringLiteral("Show tags whatever is edited"));
    mnuShowEnemies = toggle("mnuLevShowEnemies", QStringLiteral("Show &Enemies"), Qt::Key_E,
                            QStringLiteral("Show enemies whatever is edited"));
    mnuGrid = toggle("mnuLevGrid", QStringLiteral("&Grid"), Qt::Key_G, QStringLiteral("Lines between the squares"));
    auto forced = [this] { m_brush.setForcedLayers(mnuShowTags->isChecked(), mnuShowEnemies->isChecked()); };
    connect(mnuShowTags, &QAction::toggled, this, forced);
    connect(mnuShowEnemies, &QAction::toggled, this, forced);
    connect(mnuGrid, &QAction::toggled, this, [this] { update(); });
    mnuLevZoomIn->setToolTip(QStringLiteral("Zoom In (+)"));
    mnuLevZoomOut->setToolTip(QStringLiteral("Zoom Out (-)"));
    mnuSideWarp = command("mnuSideWarp", QStringLiteral("Enable &Side-Warp"), [this] { ToggleSideWarp(); });
    mnuSideWarp->setCheckable(true);
    command("mnuLevSetStart", QStringLiteral("Set Start &Position"), [this] { SetStartPos(); });
    command("mnuLevResize", QStringLiteral("&Resize Area"), [this] { ResizeArea(); });
    key(command("mnuLevFindReplace", QStringLiteral("Find and Replace..."), [this] { FindReplace(); }),
        {QKeySequence(Qt::CTRL | Qt::Key_H)});
    dash("mnuLevDashView");
    menu->addActions({mnuShowTags, mnuShowEnemies, mnuGrid});

    auto separator = [menu] { menu->addSeparator(); };
    struct Item
    {
        AreaTool tool;
        const char *name;
        QString caption;
        Qt::Key key;
    };
    const Item tools[] = {
        {AreaTool::Pencil, "mnuToolPencil", QStringLiteral("&Pencil"), Qt::Key_P},
        {AreaTool::Rectangle, "mnuToolRectangle", QStringLiteral("Recta&ngle"), Qt::Key_R},
        {AreaTool::Fill, "mnuToolFill", QStringLiteral("&Fill"), Qt::Key_F},
        {AreaTool::Pick, "mnuToolPick", QStringLiteral("Pic&k"), Qt::Key_I},
        {AreaTool::Select, "mnuToolSelect", QStringLiteral("Se&lect"), Qt::Key_S},
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
        menu->addAction(a);
        const AreaTool tool = item.tool;
        connect(a, &QAction::triggered, this, [this, tool] { setTool(tool); });
        key(a, {QKeySequence(item.key)});
        a->setToolTip(QStringLiteral("%1 (%2)").arg(QString(item.caption).remove(u'&'),
                                                    QKeySequence(item.key).toString(QKeySequence::NativeText)));
        mnuTool[static_cast<int>(item.tool)] = a;
    }
    separator();
    mnuLevCut = key(command("mnuLevCut", QStringLiteral("Cu&t"), &frmLevelEdit::cutSelection),
                    {QKeySequence(Qt::CTRL | Qt::Key_X)});
    mnuLevCopy = key(command("mnuLevCopy", QStringLiteral("&Copy"), &frmLevelEdit::copySelection),
                     {QKeySequence(Qt::CTRL | Qt::Key_C)});
    mnuLevPaste = key(command("mnuLevPaste", QStringLiteral("Paste"), &frmLevelEdit::startPaste),
                      {QKeySequence(Qt::CTRL | Qt::Key_V)});
    separator();
    // No shortcuts here: the main window's undo group owns Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y;
    // the menu only shows them.
    mnuLevUndo = m_document.undoStack()->createUndoAction(this, QStringLiteral("Undo"));
    mnuLevUndo->setObjectName(QStringLiteral("mnuLevUndo"));
    mnuLevRedo = m_document.undoStack()->createRedoAction(this, QStringLiteral("Redo"));
    mnuLevRedo->setObjectName(QStringLiteral("mnuLevRedo"));
    menu->addAction(mnuLevUndo);
    menu->addAction(mnuLevRedo);
    setKeysActive(true);

    auto toolBarDash = [this] {
        auto *a = new QAction(this);
        a->setSeparator(true);
        return a;
    };
    for (QAction *tool : mnuTool)
        m_toolBarActions.append(tool);
    m_toolBarActions << toolBarDash() << mnuLevZoomOut << mnuLevZoomIn << toolBarDash() << mnuShowTags
                     << mnuShowEnemies << mnuGrid;
}

void frmLevelEdit::setKeysActive(bool active)
{
    for (QAction *a : std::as_const(m_keyActions))
        a->setEnabled(active);
    // The frame gives Ctrl+S to this window's save while it is in charge.
    mnuLevSave->setShortcut(active ? QKeySequence(Qt::CTRL | Qt::Key_S) : QKeySequence());
}

void frmLevelEdit::updateTitle()
{
    const QString name = m_document.fileName();
    setWindowTitle(name.isEmpty() ? kTitle + QStringLiteral("[*]")
                                  : QStringLiteral("%1 - %2%3[*]").arg(kTitle, name, kAreaFormat.suffix()));
    setWindowModified(m_document.isModified());
}

QString frmLevelEdit::areaPath(const QString &sFile) const
{
    return vt::resolvePath(vt::joinPath(m_world.state().worldFolder(), sFile + kAreaFormat.suffix()));
}

void frmLevelEdit::message(const QString &text)
{
    m_dialogs.message(this, kTitle, text, vt::Dialogs::Icon::Warning);
}

bool frmLevelEdit::askToSave()
{
    const bool goOn = vt::askToSaveChanges(m_dialogs, this, kTitle, kSaveQuestion, [this] { return SaveArea(); });
    if (goOn && m_document.isModified())
        m_document.discardJournal();  // "No": the user drops the changes
    return goOn;
}

void frmLevelEdit::offerRecovery()
{
    tessaforge::offerRecovery(m_document, m_world.state().sAppPath, m_dialogs, this, kTitle,
                              QStringLiteral("a new area"),
                              [this](const QString &text) { Q_EMIT statusMessage(text); });
}

void frmLevelEdit::setScrollMaxima()
{
    // A maximum lowered below the value moves the value, and that redraws like any scroll.
    hScroll->setMaximum(std::max(oArea.width(), 0));
    vScroll->setMaximum(std::max(oArea.height(), 0));
}

void frmLevelEdit::showSideWarp()
{
    mnuSideWarp->setChecked(oArea.SideWarp());
}

void frmLevelEdit::areaReplaced()
{
    m_drawnValid = false;  // the back image shows the old area: nothing of it can be moved
    showSideWarp();
    setScrollMaxima();
}

void frmLevelEdit::areaResized()
{
    m_selection &= QRect(0, 0, oArea.width() + 1, oArea.height() + 1);
    placeSelection();
    areaReplaced();
    DrawLevel();
}

void frmLevelEdit::dropToolState()
{
    m_selection = QRect();
    m_dragging = false;
    m_floating = false;
    if (shpSelection)
        shpSelection->hide();
    updateCursorShape();
}

void frmLevelEdit::SetLevel(const QString &sFile)
{
    if (!m_world.state().bAreaWindowOpen || sFile == m_document.fileName())
        return;
    const QString fileName = sFile + kAreaFormat.suffix();
    if (const QString problem = nameProblem(sFile); !problem.isEmpty()) {
        message(QStringLiteral("The area file \"%1\" cannot be opened: %2.").arg(fileName, problem));
        return;
    }
    const QString path = areaPath(sFile);
    if (!mCommon::FileExists(path)) {
        newArea();
        return;
    }
    if (m_document.isModified() && !askToSave())
        return;
    // A file that cannot be read leaves the open area as it was.
    if (const vt::Status status = m_document.load(path, sFile); !status) {
        message(QStringLiteral("The area file \"%1\" could not be opened.\n%2").arg(fileName, status.error()));
        return;
    }
    offerRecovery();
}

void frmLevelEdit::NewArea()
{
    newArea();
}

bool frmLevelEdit::newArea()
{
    // Asked whether or not the window is shown: a minimised editor still holds the edits.
    // At creation nothing is changed yet, so nothing is asked.
    if (m_document.isModified() && !askToSave())
        return false;
    m_document.newArea();
    offerRecovery();
    return true;
}

bool frmLevelEdit::SaveArea()
{
    if (!m_world.state().bAreaWindowOpen)
        return false;
    const std::optional<QString> answer =
        m_dialogs.inputText(this, kTitle, QStringLiteral("Enter file name for area:"), m_document.fileName());
    const QString name = answer ? vt::trimSpaces(*answer) : QString();
    if (name.isEmpty())
        return false;
    if (const QString problem = nameProblem(name); !problem.isEmpty()) {
        message(QStringLiteral("The area cannot be saved as \"%1\": %2.").arg(name, problem));
        return false;
    }
    const vt::Status saved = m_document.save(areaPath(name), m_world.state().modFolder());
    if (!saved) {
        message(QStringLiteral("The area was not saved.\n%1").arg(saved.error()));
        return false;
    }
    m_dialogs.message(this, kTitle, name + QStringLiteral(".qzl saved!"));
    return true;
}

void frmLevelEdit::ResizeArea()
{
    frmResizeLevel dialog(m_dialogs, this);
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
        else if (const AreaDocument::Resizing done = m_document.resize(columns, rows);
                 done == AreaDocument::Resizing::Resized)
            return;  // a step of the history: the document's signal redraws the window
        else if (done == AreaDocument::Resizing::NoMemory)
            message(QStringLiteral("There is not enough memory for an area of %1 × %2 cells; it was not "
                                   "resized.")
                        .arg(columns)
                        .arg(rows));
    }
    // Nothing resized: the area still counts as changed, and is drawn again.
    m_document.markChanged();
    areaReplaced();
    DrawLevel();
}

void frmLevelEdit::ToggleSideWarp()
{
    m_document.toggleSideWarp();
}

void frmLevelEdit::SetStartPos()
{
    if (m_world.state().bAreaWindowOpen && !bSetStartMode) {
        bSetStartMode = true;
        updateCursorShape();
    }
}

void frmLevelEdit::ZoomIn()
{
    zoomAround(true, viewCentre());
}

void frmLevelEdit::ZoomOut()
{
    zoomAround(false, viewCentre());
}

QPointF frmLevelEdit::viewCentre() const
{
    return {std::max(width() - kBar, 0) / 2.0, std::max(height() - kBar, 0) / 2.0};
}

void frmLevelEdit::setZoom(qint32 zoom)
{
    if (!m_world.state().bAreaWindowOpen)
        return;
    lZoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    shpCursor->resize(lZoom, lZoom);
    DrawLevel();
}

void frmLevelEdit::showMenu()
{
    mnuLevelMenu->popup(QCursor::pos());
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
    if (mnuGrid->isChecked() && lZoom >= kMinZoom) {
        // Thin lines on the squares' edges, inside the area only, drawn over the picture.
        const QRect cells = QRect(0, 0, (oArea.width() + 1 - hScroll->value()) * lZoom,
                                  (oArea.height() + 1 - vScroll->value()) * lZoom) & shown;
        p.setPen(QColor(255, 255, 255, 70));
        for (int x = cells.left() - cells.left() % lZoom; x <= cells.right(); x += lZoom)
            p.drawLine(x, cells.top(), x, cells.bottom());
        for (int y = cells.top() - cells.top() % lZoom; y <= cells.bottom(); y += lZoom)
            p.drawLine(cells.left(), y, cells.right(), y);
    }
}

void frmLevelEdit::closeEvent(QCloseEvent *event)
{
    if (m_document.isModified() && !askToSave()) {
        event->ignore();
        return;
    }
    m_world.state().bAreaWindowOpen = false;
    event->accept();
}

void frmLevelEdit::ExportImage()
{
    if (!oArea.hasGrid())
        return;
    const std::optional<QString> chosen = m_dialogs.saveFile(
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
        oArea, m_pictures.picHoldTiles.convertToFormat(QImage::Format_RGB32),
        m_pictures.picHoldTags.convertToFormat(QImage::Format_RGB32), options, *format, path,
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
