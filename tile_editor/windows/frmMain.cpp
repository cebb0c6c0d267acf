#include "frmMain.h"

#include "ProgramIcon.h"
#include "TilePicture.h"
#include "TypeList.h"
#include "TypeMarks.h"

#include "Dialogs.h"
#include "ImageFile.h"
#include "Paths.h"
#include "Recovery.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace tilemarrow {

namespace {

const QString kCaption = u"Vantaro Tileset Editor"_s;
const QString kUntitled = u"a new tileset"_s;
const QString kTileFilter = u"Vantaro Tile Information (%1)"_s.arg(mLevelTileset::kTileInfoFormat.pattern());

constexpr qint32 kMaxTilesEachWay = 255;  // MaxX and MaxY are bytes, and 255 is reserved
constexpr int kSavedShownFor = 10000;     // milliseconds: long enough to read the path

// Why a picture of this size cannot be a tileset, or an empty string when it can.
QString unusableSize(const QString &name, QSize size)
{
    const qint32 columns = size.width() / frmMain::kTile;
    const qint32 rows = size.height() / frmMain::kTile;
    if (columns < 1 || rows < 1)
        return u"%1 is %2 x %3 pixels: a tileset needs at least one whole tile of 32 x 32 pixels each way."_s
            .arg(name)
            .arg(size.width())
            .arg(size.height());
    if (columns > kMaxTilesEachWay || rows > kMaxTilesEachWay)
        return u"%1 holds %2 x %3 whole tiles: a tileset can have at most %4 tiles each way."_s
            .arg(name)
            .arg(columns)
            .arg(rows)
            .arg(kMaxTilesEachWay);
    return {};
}

// A mouse position in whole pixels: rounded half to even, then cut toward zero.
qint32 wholePixel(qreal v)
{
    return static_cast<qint32>(std::nearbyint(v));
}

} // namespace

frmMain::frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_appPath(std::move(appPath)), m_dialogs(dialogs)
{
    setObjectName(u"frmMain"_s);
    setWindowIcon(ProgramIcon());
    showFileName(QString());
    buildControls();
    connect(&m_document, &TileInfoDocument::tileChanged, this, &frmMain::tileChanged);
    connect(&m_document, &TileInfoDocument::documentReplaced, this, &frmMain::documentReplaced);
    connect(&m_document, &TileInfoDocument::fileNameChanged, this, &frmMain::showFileName);
    // The title ends with '*' while there are changes to save.
    connect(&m_document, &TileInfoDocument::modifiedChanged, this, &QWidget::setWindowModified);
    DrawTiles();
    // Without the picture the window simply starts empty.
    LoadTilesetBitmap(vt::resolvePath(vt::joinPath(m_appPath, u"tiledata.bmp"_s)),
                      MissingBitmap::Quiet);
}

void frmMain::buildControls()
{
    mnuNew = menuBar()->addAction(u"&New"_s);
    mnuNew->setObjectName(u"mnuNew"_s);
    mnuSave = menuBar()->addAction(u"&Save"_s);
    mnuSave->setObjectName(u"mnuSave"_s);
    mnuLoad = menuBar()->addAction(u"&Load"_s);
    mnuLoad->setObjectName(u"mnuLoad"_s);
    // The menu bar has no room to show a key beside an item: the status line shows it while
    // the pointer rests on the item.
    const auto giveKey = [](QAction *item, const QKeySequence &key, const QString &what) {
        item->setShortcut(key);
        item->setStatusTip(u"%1 (%2)"_s.arg(what, key.toString(QKeySequence::NativeText)));
    };
    giveKey(mnuNew, QKeySequence(Qt::CTRL | Qt::Key_N), u"Open another tileset bitmap"_s);
    giveKey(mnuSave, QKeySequence(Qt::CTRL | Qt::Key_S), u"Save the tile information"_s);
    giveKey(mnuLoad, QKeySequence(Qt::CTRL | Qt::Key_O), u"Open a tile information file and its bitmap"_s);
    connect(mnuNew, &QAction::triggered, this, [this] { mnuNew_Click(); });
    connect(mnuSave, &QAction::triggered, this, [this] { mnuSave_Click(); });
    connect(mnuLoad, &QAction::triggered, this, [this] { mnuLoad_Click(); });

    mnuEdit = menuBar()->addMenu(u"&Edit"_s);
    mnuEdit->setObjectName(u"mnuEdit"_s);
    mnuUndo = m_document.undoStack()->createUndoAction(this, u"Undo"_s);
    mnuUndo->setObjectName(u"mnuUndo"_s);
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo = m_document.undoStack()->createRedoAction(this, u"Redo"_s);
    mnuRedo->setObjectName(u"mnuRedo"_s);
    mnuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    mnuEdit->addAction(mnuUndo);
    mnuEdit->addAction(mnuRedo);

    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);
    // Made now, so that the first message does not change the window's height.
    statusBar()->setObjectName(u"statusBar"_s);

    // The view takes the room the window has and shows as many tiles as fit; at its smallest
    // it shows 10 x 7. The bars and the corner button keep to its right and bottom edges.
    const QSize view(kViewColumns * kTile, kViewRows * kTile);
    picTiles = new TilePicture(view, QSize(kBar, kBar), client);
    picTiles->setObjectName(u"picTiles"_s);
    picTiles->setMinimumSize(view + QSize(kBar, kBar));
    picTiles->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(picTiles, &TilePicture::pressed, this, [this](QPointF at) { picTiles_MouseDown(at); });
    connect(picTiles, &TilePicture::viewResized, this, &frmMain::viewResized);

    HScroll1 = new QScrollBar(Qt::Horizontal, picTiles);
    HScroll1->setObjectName(u"HScroll1"_s);
    HScroll1->setFixedHeight(kBar);
    VScroll1 = new QScrollBar(Qt::Vertical, picTiles);
    VScroll1->setObjectName(u"VScroll1"_s);
    VScroll1->setFixedWidth(kBar);
    for (QScrollBar *bar : {HScroll1, VScroll1}) {
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        bar->setPageStep(1);
        bar->setTracking(false);  // the view follows a dragged box once it is let go
        bar->setFocusPolicy(Qt::NoFocus);
    }
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int v) { HScroll1_Change(v); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this](int v) { VScroll1_Change(v); });

    Command1 = new QPushButton(picTiles);
    Command1->setObjectName(u"Command1"_s);
    Command1->setFixedSize(kBar, kBar);
    Command1->setFocusPolicy(Qt::NoFocus);

    auto *bars = new QGridLayout(picTiles);
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(0);
    bars->setRowStretch(0, 1);  // the tiles: what the back image shows
    bars->setColumnStretch(0, 1);
    bars->addWidget(VScroll1, 0, 1);
    bars->addWidget(HScroll1, 1, 0);
    bars->addWidget(Command1, 1, 1);

    lstTileType = new TypeList(client);
    lstTileType->setObjectName(u"lstTileType"_s);
    lstTileType->setSelectionMode(QAbstractItemView::SingleSelection);
    lstTileType->addItems(TypeNames());
    Q_ASSERT(lstTileType->count() == kTypeCount);
    lstTileType->setCurrentRow(-1);
    lstTileType->clearSelection();
    connect(lstTileType, &TypeList::pressedAfterSelecting, this, [this] { lstTileType_Press(); });

    chkAnimated = new QCheckBox(u"Animated"_s, client);
    chkAnimated->setObjectName(u"chkAnimated"_s);
    connect(chkAnimated, &QCheckBox::toggled, this, [this](bool on) { chkAnimated_Click(on); });

    // Off by default: the view then shows the tileset's own pixels only.
    chkShowTypes = new QCheckBox(u"Show Types"_s, client);
    chkShowTypes->setObjectName(u"chkShowTypes"_s);
    chkShowTypes->setToolTip(u"Mark every tile with its type; animated tiles get a dot"_s);
    connect(chkShowTypes, &QCheckBox::toggled, this, [this] { DrawTiles(); });

    // The list grows with the window's height; the two boxes share a line under it, so that
    // the list shows every type beside the smallest view.
    auto *flags = new QHBoxLayout;
    flags->addWidget(chkAnimated);
    flags->addWidget(chkShowTypes);
    flags->addStretch(1);
    auto *side = new QVBoxLayout;
    side->addWidget(lstTileType, 1);
    side->addLayout(flags);
    auto *layout = new QHBoxLayout(client);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);
    layout->addWidget(picTiles, 1);
    layout->addLayout(side, 0);

    picTiles->installEventFilter(this);
    lstTileType->installEventFilter(this);
    picTiles->setFocus();
}

bool frmMain::LoadTilesetBitmap(const QString &path, MissingBitmap missing)
{
    const QFileInfo file(path);
    if (!file.exists()) {
        if (missing == MissingBitmap::Report)
            tell(u"Cannot open the tileset bitmap %1: the file does not exist."_s.arg(path));
        return false;
    }
    // The shared reader refuses what is not a regular file or not a picture, and a picture
    // larger than the largest tileset before decoding it.
    QImage picture;
    if (const vt::Status read = vt::readImage(path, picture); !read.ok()) {
        tell(u"Cannot open the tileset bitmap.\n\n%1"_s.arg(read.error()));
        return false;
    }
    if (const QString why = unusableSize(file.fileName(), picture.size()); !why.isEmpty()) {
        tell(why);
        return false;
    }

    const qint32 columns = picture.width() / kTile;
    const qint32 rows = picture.height() / kTile;
    const auto maxX = quint8(columns - 1);
    const auto maxY = quint8(rows - 1);
    // A smaller bitmap cuts off the tiles beyond it: types given there and not saved are
    // asked about first, and Cancel leaves everything as it was.
    if (m_document.fitCutsUnsavedTiles(maxX, maxY) && !askToSave())
        return false;

    picHoldTiles = picture.convertToFormat(QImage::Format_RGB32);
    m_document.fitGrid(maxX, maxY);

    updateScrollRanges();
    HScroll1->setValue(0);
    VScroll1->setValue(0);

    ViewX = 0;
    ViewY = 0;
    SelX = 0;
    SelY = 0;
    // The list and the box would otherwise still show the tile selected before.
    if (lstTileType->currentRow() >= 0 || chkAnimated->isChecked())
        ShowSelectedTile();
    DrawTiles();
    return true;
}

qint32 frmMain::viewColumns() const
{
    return std::max(1, picTiles->backImage().width() / kTile);
}

qint32 frmMain::viewRows() const
{
    return std::max(1, picTiles->backImage().height() / kTile);
}

qint32 frmMain::shownColumns() const
{
    return (picTiles->backImage().width() + kTile - 1) / kTile;
}

qint32 frmMain::shownRows() const
{
    return (picTiles->backImage().height() + kTile - 1) / kTile;
}

void frmMain::updateScrollRanges()
{
    // The bars reach the last whole column and row the view can show; a bar stays usable
    // whenever there is somewhere to scroll to, also after a smaller tileset or a smaller
    // window had switched it off.
    const qint32 columns = picHoldTiles.width() / kTile;
    const qint32 rows = picHoldTiles.height() / kTile;
    HScroll1->setRange(0, std::max(0, columns - viewColumns()));
    VScroll1->setRange(0, std::max(0, rows - viewRows()));
    HScroll1->setEnabled(columns - viewColumns() >= 1);
    VScroll1->setEnabled(rows - viewRows() >= 1);
}

void frmMain::viewResized()
{
    // A bar whose range shrinks moves the view with it, which redraws; draw in any case.
    updateScrollRanges();
    DrawTiles();
}

void frmMain::documentReplaced()
{
    // Until a tile is shown the list and the box show none.
    if (lstTileType->currentRow() >= 0 || chkAnimated->isChecked())
        ShowSelectedTile();
    DrawTiles();
}

void frmMain::DrawTiles()
{
    QImage &view = picTiles->backImage();
    view.fill(Qt::black);
    if (!picHoldTiles.isNull()) {
        QPainter painter(&view);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (qint32 i = 0; i < shownColumns(); ++i) {
            for (qint32 j = 0; j < shownRows(); ++j) {
                const QRect source((ViewX + i) * kTile, (ViewY + j) * kTile, kTile, kTile);
                const QPoint target(i * kTile, j * kTile);
                const bool selected = ViewX + i == SelX && ViewY + j == SelY;
                if (!selected && picHoldTiles.rect().contains(source)) {
                    painter.drawImage(target, picHoldTiles, source);
                    continue;
                }
                // Beyond the picture's edge a block is black, as the cleared view is.
                QImage block = picHoldTiles.copy(source);
                if (selected)
                    block.invertPixels();
                painter.drawImage(target, block);
            }
        }
    }
    if (chkShowTypes->isChecked())
        DrawTypeMarks(picTiles->backImage(), m_document.tileInfo(), {ViewX, ViewY}, kTile, font());
    picTiles->update();
}

QString frmMain::StripExtension(const QString &path)
{
    // Walk back from the second-last character: a '.' ends the name's extension, a folder
    // separator means the file name has none.
    for (qsizetype i = path.size() - 2; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == u'.')
            return path.left(i);
        if (c == u'\\' || c == u'/')
            return path;
    }
    return path;
}

void frmMain::mnuNew_Click()
{
    const std::optional<QString> chosen = m_dialogs.openFile(
        this, u"Load New Tileset Bitmap"_s, u"Bitmap File (*.bmp)"_s, u"bmp"_s, dialogFolder());
    if (!chosen)
        return;
    // The types kept inside the new grid now describe another picture: not the file's.
    if (LoadTilesetBitmap(*chosen)) {
        m_bitmapPath = *chosen;
        m_document.setFileName(QString());
    }
}

void frmMain::mnuLoad_Click()
{
    // Loading replaces every tile's value.
    if (m_document.isModified() && !askToSave())
        return;
    const std::optional<QString> chosen = m_dialogs.openFile(
        this, u"Load Tile Information File"_s, kTileFilter, u"qzt"_s, dialogFolder());
    if (!chosen)
        return;
    openTileFile(*chosen);
    if (m_recording && m_document.fileName() == *chosen)
        offerRecoveryOf(*chosen);
}

void frmMain::openTileFile(const QString &path)
{
    // Each step goes on whatever the one before did: the bitmap is looked for even when
    // the tile file could not be read, and a missing bitmap leaves what was read. What the
    // file holds counts as saved; fitting it to its bitmap keeps it so.
    const vt::Status status = m_document.load(path);
    if (!status.ok())
        tell(status.error());

    const QString bitmap = vt::resolvePath(StripExtension(path) + u".bmp"_s);
    if (LoadTilesetBitmap(bitmap)) {
        m_bitmapPath = bitmap;
        if (!status.ok())
            m_document.setFileName(QString());
    }
}

void frmMain::startRecovery()
{
    if (m_recording)
        return;
    m_recording = true;
    connect(&m_document, &TileInfoDocument::journalFailed, this, &frmMain::recoveryOff);
    m_document.recordTo(vt::recoveryFolder(m_appPath));
    // What was recorded reaches the disk before the user turns to another program.
    vt::syncJournalsWhenInactive(this);
    QMetaObject::invokeMethod(this, &frmMain::offerRecovery, Qt::QueuedConnection);
}

void frmMain::offerRecovery()
{
    for (const vt::FoundJournal &journal :
         vt::leftJournals(vt::recoveryFolder(m_appPath), u"tilemarrow"_s, u"tileinfo"_s)) {
        if (vt::offerRecovery(m_dialogs, this, kCaption, journal, kUntitled) != vt::RecoveryAnswer::Recover)
            continue;
        const QString file = journal.contents.origin.path;
        // Changes to the tileset open now would be replaced: asked about first.
        if (m_document.isModified() && !askToSave())
            return;
        if (!file.isEmpty()) {
            openTileFile(file);
            if (m_document.fileName() != file)
                return;  // not read (and told): the journal stays for another time
        }
        recover(journal);
        return;  // one tileset at a time: the others wait for their file's opening or the next start
    }
}

void frmMain::offerRecoveryOf(const QString &path)
{
    for (const vt::FoundJournal &journal :
         vt::leftJournalsOf(vt::recoveryFolder(m_appPath), u"tilemarrow"_s, u"tileinfo"_s, path)) {
        if (vt::offerRecovery(m_dialogs, this, kCaption, journal, kUntitled) == vt::RecoveryAnswer::Recover) {
            recover(journal);
            return;
        }
    }
}

void frmMain::recover(const vt::FoundJournal &journal)
{
    bool complete = true;
    const qsizetype replayed = m_document.replay(journal.contents.records, &complete);
    vt::retireJournal(journal.path, m_document.journalPath(), m_document.isModified());
    const QString shortfall = vt::recoveryShortfall(journal, replayed, complete, kUntitled);
    if (!shortfall.isEmpty())
        tell(shortfall);
    else
        statusBar()->showMessage(replayed == 1 ? u"Recovered 1 edit"_s : u"Recovered %1 edits"_s.arg(replayed),
                                 kSavedShownFor);
}

void frmMain::recoveryOff(const QString &why)
{
    // Once: a folder that cannot be written stays so for every tileset.
    if (m_toldRecoveryOff)
        return;
    m_toldRecoveryOff = true;
    tell(vt::recoveryOffText(m_document.fileName(), kUntitled, why)
         + u"\n\nEditing goes on; save to keep your changes."_s);
}

bool frmMain::mnuSave_Click()
{
    if (!m_document.hasGrid()) {
        tell(u"There is no tileset to save. Open a tileset bitmap with New first."_s);
        return false;
    }
    const std::optional<QString> chosen = m_dialogs.saveFile(
        this, u"Save Tile Information File"_s, kTileFilter, u"qzt"_s, saveProposal());
    if (!chosen)
        return false;
    // Only the tile information is written; the bitmap stays where the user keeps it.
    if (const vt::Status status = m_document.save(*chosen); !status.ok()) {
        // No "Saved" from before may stand beside a save that failed.
        statusBar()->showMessage(u"Not saved: %1"_s.arg(QDir::toNativeSeparators(*chosen)));
        tell(u"The tile information was not saved.\n\n%1"_s.arg(status.error()));
        return false;
    }
    statusBar()->showMessage(u"Saved %1"_s.arg(QDir::toNativeSeparators(*chosen)), kSavedShownFor);
    return true;
}

QString frmMain::tilesetsFolder() const
{
    const QString shared = vt::resolvePath(vt::joinPath(m_appPath, u"Data/Tilesets"_s));
    return QFileInfo(shared).isDir() ? shared : m_appPath;
}

QString frmMain::dialogFolder() const
{
    if (!m_document.fileName().isEmpty())
        return QFileInfo(m_document.fileName()).absolutePath();
    if (!m_bitmapPath.isEmpty())
        return QFileInfo(m_bitmapPath).absolutePath();
    return tilesetsFolder();
}

QString frmMain::saveProposal() const
{
    if (!m_document.fileName().isEmpty())
        return m_document.fileName();
    // A tile information file belongs beside its bitmap, under the same name.
    if (!m_bitmapPath.isEmpty())
        return StripExtension(m_bitmapPath) + u".qzt"_s;
    return tilesetsFolder();
}

bool frmMain::askToSave()
{
    return vt::askToSaveChanges(m_dialogs, this, kCaption, u"Save changes?"_s, [this] { return mnuSave_Click(); });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_document.isModified() && !askToSave()) {
        event->ignore();
        return;
    }
    m_document.discardJournal();  // saved, or given up: nothing to recover
    QMainWindow::closeEvent(event);
}

bool frmMain::SetTileValue(qint32 x, qint32 y, qint32 value)
{
    m_storing = true;
    const bool stored = m_document.setTileValue(x, y, value);
    m_storing = false;
    return stored;
}

void frmMain::tileChanged(qint32 x, qint32 y)
{
    if (m_storing) {
        if (chkShowTypes->isChecked())
            DrawTiles();
        return;
    }
    // An undo or a redo: the tile comes into view and is selected, so that the list and the
    // box show it. They then give it what it holds, which adds no step.
    MoveSelection(x - SelX, y - SelY);
}

void frmMain::picTiles_MouseDown(QPointF position)
{
    SelectTile(ViewX + wholePixel(position.x()) / kTile, ViewY + wholePixel(position.y()) / kTile);
}

void frmMain::SelectTile(qint32 x, qint32 y)
{
    SelX = x;
    SelY = y;
    m_typedCode = -1;
    ShowSelectedTile();
    DrawTiles();
}

void frmMain::ShowSelectedTile()
{
    // Both run the controls' own change handlers, which store what is already stored.
    const TileInfo &info = m_document.tileInfo();
    chkAnimated->setChecked(mLevelTileset::IsTileAnimated(info, SelX, SelY));
    qint32 code = mLevelTileset::GetTileType(info, SelX, SelY);
    if (code >= kTypeCount)
        code = 0;  // no entry for it; the stored value stays until a type is given
    lstTileType->setCurrentRow(code);
}

void frmMain::lstTileType_Press()
{
    m_typedCode = -1;
    const QList<QListWidgetItem *> selected = lstTileType->selectedItems();
    if (selected.isEmpty())
        return;
    const qint32 code = lstTileType->row(selected.first());
    const qint32 flag = mLevelTileset::IsTileAnimated(m_document.tileInfo(), SelX, SelY) ? kAnimated : 0;
    if (!SetTileValue(SelX, SelY, code + flag))
        ShowSelectedTile();
}

void frmMain::chkAnimated_Click(bool checked)
{
    const TileInfo &info = m_document.tileInfo();
    const qint32 code = mLevelTileset::GetTileType(info, SelX, SelY);
    if (!SetTileValue(SelX, SelY, code + (checked ? kAnimated : 0)))
        chkAnimated->setChecked(mLevelTileset::IsTileAnimated(info, SelX, SelY));
}

void frmMain::HScroll1_Change(int value)
{
    ViewX = value;
    DrawTiles();
}

void frmMain::VScroll1_Change(int value)
{
    ViewY = value;
    DrawTiles();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress
        && handleKey(watched, static_cast<QKeyEvent *>(event)->key()))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool frmMain::handleKey(QObject *watched, int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        PickTypeByDigit(key - Qt::Key_0);
        return true;
    }
    m_typedCode = -1;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        lstTileType_Press();
        return true;
    }
    if (watched != picTiles)
        return false;  // the list moves its own selection, which assigns nothing
    switch (key) {
    case Qt::Key_Left: MoveSelection(-1, 0); return true;
    case Qt::Key_Right: MoveSelection(1, 0); return true;
    case Qt::Key_Up: MoveSelection(0, -1); return true;
    case Qt::Key_Down: MoveSelection(0, 1); return true;
    default: return false;
    }
}

void frmMain::MoveSelection(qint32 dx, qint32 dy)
{
    const TileInfo &info = m_document.tileInfo();
    if (!info.hasGrid())
        return;
    const qint32 x = std::clamp(SelX + dx, 0, qint32(info.MaxX));
    const qint32 y = std::clamp(SelY + dy, 0, qint32(info.MaxY));
    // Scrolling through the bars keeps them and the view in step.
    if (x < ViewX)
        HScroll1->setValue(x);
    else if (x >= ViewX + viewColumns())
        HScroll1->setValue(x - viewColumns() + 1);
    if (y < ViewY)
        VScroll1->setValue(y);
    else if (y >= ViewY + viewRows())
        VScroll1->setValue(y - viewRows() + 1);
    SelectTile(x, y);
}

void frmMain::PickTypeByDigit(int digit)
{
    // Two digits in a row name the codes from 10 on ("1" then "3" is "Slant Left").
    const qint32 combined = m_typedCode * 10 + digit;
    m_typedCode = m_typedCode >= 1 && combined < kTypeCount ? combined : digit;
    lstTileType->setCurrentRow(m_typedCode);
}

void frmMain::showFileName(const QString &path)
{
    // A "[*]" in the file's own name is shown as it is, not taken for the change mark.
    const QString name = QFileInfo(path).fileName().replace(u"[*]"_s, u"[*][*]"_s);
    setWindowTitle((path.isEmpty() ? kCaption : u"%1 - %2"_s.arg(kCaption, name)) + u"[*]"_s);
}

void frmMain::tell(const QString &text)
{
    m_dialogs.message(this, kCaption, text, vt::Dialogs::Icon::Warning);
}

} // namespace tilemarrow
