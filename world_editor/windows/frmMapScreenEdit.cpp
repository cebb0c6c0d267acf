#include "frmMapScreenEdit.h"
#include "DocumentRecovery.h"
#include "Recovery.h"

#include "documents/WorldDocument.h"
#include "frmMapScrGetWorld.h"
#include "MapEditorLayout.h"
#include "MapScreenRenderer.h"

#include "world/mCommon.h"

#include "Dialogs.h"
#include "ImageFile.h"
#include "Paths.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QUndoStack>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaforge {

using namespace mapeditor;

frmMapScreenEdit::frmMapScreenEdit(vt::Dialogs &dialogs, MapDocument &document, WorldDocument &world,
                                   QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs), m_document(document), m_world(world)
{
    setObjectName(QStringLiteral("frmMapScreenEdit"));
    setWindowTitle(kCaption + QStringLiteral("[*]"));
    buildView();
    buildPanel();
    setFixedSize(kViewOuterWidth, Picture1->height() + kViewOuterHeight);

    m_view = QImage(ViewWidth, ViewHeight, QImage::Format_RGB32);
    m_view.fill(Qt::black);
    m_strip = QImage(kStripCells * kCell, kCell, QImage::Format_RGB32);
    m_strip.fill(palette().color(QPalette::Window));

    connect(&m_document, &MapDocument::nodesChanged, this, &frmMapScreenEdit::followDocument);
    // The title's "*" says that the map holds changes not yet saved.
    connect(&m_document, &Document::modifiedChanged, this, &QWidget::setWindowModified);

    // The map menu: saving, nodes, then the map's own undo and redo, named by the step they
    // act on.
    mnuNodes = new QMenu(QStringLiteral("MapScreenMenu"), this);
    mnuNodes->setObjectName(QStringLiteral("mnuNodes"));
    auto command = [this](const char *name, const QString &caption, auto operation) {
        QAction *a = mnuNodes->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, operation);
    };
    command("mnuMapSave", QStringLiteral("&Save"), [this] { SaveChanges(); });
    mnuNodes->addSeparator()->setObjectName(QStringLiteral("mnuDDash"));
    command("mnuMapAddNode", QStringLiteral("&Create New Node"), [this] { AddNode(); });
    command("mnuMapKillNode", QStringLiteral("&Remove Last Node"), [this] { KillNode(); });
    QUndoStack *history = m_document.undoStack();
    auto *dash = new QAction(this);
    dash->setSeparator(true);
    dash->setObjectName(QStringLiteral("mnuMapUndoDash"));
    QAction *undo = history->createUndoAction(this, QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("mnuMapUndo"));
    QAction *redo = history->createRedoAction(this, QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("mnuMapRedo"));
    // The keys that undo and redo here are the frame's, which act on the active window's
    // history: the items show them, and never take them, so no key has two owners.
    undo->setShortcut(kUndoKey);
    redo->setShortcut(kRedoKey);
    for (QAction *a : {undo, redo})
        a->setShortcutContext(Qt::WidgetShortcut);
    mnuNodes->addActions({dash, undo, redo});
}

frmMapScreenEdit::~frmMapScreenEdit() = default;

// ---- opening and closing -----------------------------------------------------------------

void frmMapScreenEdit::ShowMe(const QString &sWorldPath)
{
    // Starting over drops the map in memory: unsaved changes are asked about first.
    if (m_open && m_document.isModified() && !askToSave())
        return;
    m_open = false;
    // Opening is no edit: the controls being filled store nothing.
    m_following = true;
    const bool opened = openWorld(sWorldPath);
    m_following = false;
    if (!opened) {
        m_document.reset();
        closeWithoutAsking();
        return;
    }
    m_open = true;
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        frame->show();
        fitIntoFrame(*frame);
        if (QMdiArea *area = frame->mdiArea())
            area->setActiveSubWindow(frame);
    } else {
        show();
    }
}

bool frmMapScreenEdit::refuseOpening(const QString &title, const QString &text, vt::Dialogs::Icon icon)
{
    m_dialogs.message(this, title, text, icon);
    return false;
}

bool frmMapScreenEdit::openWorld(const QString &sWorldPath)
{
    WorldPath = sWorldPath;
    const QString mapPicture = worldFile(QStringLiteral("Worldmap.gif"));
    if (!mCommon::FileExists(mapPicture))
        return refuseOpening(kStudioTitle,
                             QStringLiteral("You must create \"Worldmap.gif\"\r\nbefore editing the map screen!"),
                             vt::Dialogs::Icon::Critical);
    const QString nodePictures = worldFile(QStringLiteral("MapObjects.bmp"));
    if (!mCommon::FileExists(nodePictures))
        return refuseOpening(kStudioTitle, QStringLiteral("\"MapObjects.bmp\" not found!"), vt::Dialogs::Icon::Critical);

    // A picture that is there but cannot be decoded is said so, not passed over in silence.
    auto load = [](const QString &path, QImage &out, QString &why) {
        QImage picture;
        if (const vt::Status read = vt::readImage(path, picture); !read) {
            why = read.error();
            return false;
        }
        out = picture.convertToFormat(QImage::Format_RGB32);
        return true;
    };
    QString why;
    QImage map;
    if (!load(mapPicture, map, why))
        return refuseOpening(kStudioTitle, QStringLiteral("\"Worldmap.gif\" could not be read as a picture: %1").arg(why),
                             vt::Dialogs::Icon::Critical);
    if (map.width() < kScreenWidth || map.height() < kScreenHeight)
        return refuseOpening(kProgramTitle, QStringLiteral("Map screen must be at least 640*480"), vt::Dialogs::Icon::None);
    QImage pictures;
    if (!load(nodePictures, pictures, why))
        return refuseOpening(kStudioTitle,
                             QStringLiteral("\"MapObjects.bmp\" could not be read as a picture: %1").arg(why),
                             vt::Dialogs::Icon::Critical);
    picHoldMap = std::move(map);
    picHoldImages = std::move(pictures);
    const int lastStart = std::max(0, picHoldImages.width() / kCell - 1);
    imgScroll->setValue(0);
    imgScroll->setMaximum(lastStart);
    imgScroll->setEnabled(lastStart > 0);

    CurrentNode = 0;
    m_document.reset();
    showSelectedNode();
    chkPassThru->setChecked(false);

    m_fillingList = true;
    for (int k = 0; k < 4; ++k)
        cmbNodeSelect[k]->setCurrentIndex(cmbNodeSelect[k]->count() > 0 ? 0 : -1);
    cmbNodeSelect[4]->clear();
    cmbNodeSelect[4]->addItems(tagEntries());
    cmbNodeSelect[5]->clear();
    cmbNodeSelect[5]->addItems(entranceEntries());
    cmbNodeSelect[5]->setCurrentIndex(-1);
    m_fillingList = false;
    chooseEntry(4, 0);

    const int width = picHoldMap.width();
    const int height = picHoldMap.height();
    xScroll->setEnabled(width != kScreenWidth);
    xScroll->setMaximum(width != kScreenWidth ? width - kScreenWidth : 0);
    yScroll->setEnabled(height != kScreenHeight);
    yScroll->setMaximum(height != kScreenHeight ? height - kScreenHeight : 0);

    const QString mapFile = worldFile(QStringLiteral("Worldmap.qzm"));
    if (mCommon::FileExists(mapFile)) {
        if (const vt::Status read = m_document.load(mapFile); !read)
            return refuseOpening(kStudioTitle,
                                 QStringLiteral("The world map \"Worldmap.qzm\" could not be read, so the map "
                                                "editor did not open. The file was left as it is.\n%1")
                                     .arg(read.error()),
                                 vt::Dialogs::Icon::Critical);
    } else {
        m_document.reset(mapFile);  // a new map, for this world's file
    }
    offerRecovery(m_document, m_world.state().sAppPath, m_dialogs, this, kStudioTitle, QStringLiteral("a new map"),
                  [](const QString &) {});

    // Node 1 in the middle of the view, as far as the scroll bars reach.
    const int x1 = worldMap().xPos(1);
    const int y1 = worldMap().yPos(1);
    if (xScroll->isEnabled())
        xScroll->setValue(x1 > width - 320 ? width - kScreenWidth : x1 >= 320 ? x1 - 320 : 0);
    if (yScroll->isEnabled())
        yScroll->setValue(y1 > height - 240 ? height - kScreenHeight : y1 >= 240 ? y1 - 240 : 0);

    RefillLinkLists();
    DrawMap();
    DrawPictureStrip();
    // Named as the file is on disk: that is the one a save replaces.
    setWindowTitle(QStringLiteral("%1 - %2[*]").arg(kCaption, QFileInfo(mapFile).fileName()));
    setWindowModified(m_document.isModified());
    return true;
}

void frmMapScreenEdit::fitIntoFrame(QMdiSubWindow &frame)
{
    // The editor has a fixed size; the main window grows (within the screen) to show it whole.
    QMdiArea *area = frame.mdiArea();
    QWidget *top = window();
    if (!area || top == this || top->isMaximized() || top->isFullScreen())
        return;
    const QSize have = area->viewport()->size();
    const QSize need = frame.size();
    if (need.width() <= have.width() && need.height() <= have.height())
        return;
    frame.move(0, 0);
    QSize wanted = top->size() + QSize(std::max(0, need.width() - have.width()), std::max(0, need.height() - have.height()));
    if (const QScreen *screen = top->screen())
        wanted = wanted.boundedTo(screen->availableGeometry().size());
    top->resize(wanted);
}

QString frmMapScreenEdit::worldFile(const QString &name) const
{
    return vt::resolvePath(vt::joinPath(WorldPath, name));
}

void frmMapScreenEdit::closeWithoutAsking()
{
    m_closingSilently = true;
    KillMe();
    m_closingSilently = false;
}

void frmMapScreenEdit::KillMe()
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
        frame->close();
    else
        close();
}

bool frmMapScreenEdit::askToSave()
{
    const bool goOn = vt::askToSaveChanges(m_dialogs, this, kStudioTitle, QStringLiteral("Save changes to world map?"),
                                           [this] { return SaveChanges(); });
    if (goOn && m_document.isModified())
        m_document.discardJournal();  // "No": the user drops the changes
    return goOn;
}

void frmMapScreenEdit::closeEvent(QCloseEvent *event)
{
    if (!m_closingSilently && m_open && m_document.isModified() && !askToSave()) {
        event->ignore();
        return;
    }
    // The map and its pictures go with the window.
    m_open = false;
    m_document.reset();
    picHoldMap = QImage();
    picHoldImages = QImage();
    event->accept();
}

bool frmMapScreenEdit::SaveChanges()
{
    if (!m_open)
        return false;
    const vt::Status saved = m_document.save(worldFile(QStringLiteral("Worldmap.qzm")), m_world.state().modFolder());
    if (!saved) {
        m_dialogs.message(this, kStudioTitle, QStringLiteral("The world map was not saved.\n%1").arg(saved.error()),
                          vt::Dialogs::Icon::Warning);
        return false;
    }
    m_dialogs.message(this, kProgramTitle, QStringLiteral("Map screen changes saved to disk!"));
    return true;
}

// ---- editing -------------------------------------------------------------------------------

void frmMapScreenEdit::editMap(const QString &name, const std::function<void(oWorldMap &)> &edit, qint32 selectAfter)
{
    if (m_following)
        return;  // the controls showing the document store nothing
    // The caller shows its own edit; the document's signal is for undo and redo.
    m_editing = true;
    m_document.edit(name, edit, CurrentNode, selectAfter < 0 ? CurrentNode : selectAfter);
    m_editing = false;
}

void frmMapScreenEdit::followDocument(const QList<qint32> &, qint32 select)
{
    if (m_editing || !m_open)
        return;
    m_following = true;
    if (select >= 1 && select <= worldMap().nodeCount())
        CurrentNode = select;
    RefillLinkLists();
    if (CurrentNode >= 1 && CurrentNode <= worldMap().nodeCount())
        SelectNode(CurrentNode);
    showSelectedNode();
    m_following = false;
    DrawMap();
    DrawPictureStrip();
}

void frmMapScreenEdit::AddNode()
{
    if (!m_open)
        return;
    if (worldMap().nodeCount() >= oWorldMap::kMaxNodes) {
        m_dialogs.message(this, kStudioTitle,
                          QStringLiteral("The map already has %1 nodes, the most its file can hold. "
                                         "No node was added.")
                              .arg(oWorldMap::kMaxNodes),
                          vt::Dialogs::Icon::Warning);
        return;
    }
    const qint32 count = worldMap().nodeCount();
    const auto x = static_cast<qint16>(xScroll->value() + 30);
    const auto y = static_cast<qint16>(yScroll->value() + 30);
    editMap(QStringLiteral("Add Node"), [x, y](oWorldMap &map) { (void)map.AddNode(x, y, true); }, count + 1);
    if (worldMap().nodeCount() == count)
        return;
    // Shown as the node's own values: the lists store nothing while they follow.
    m_following = true;
    SelectNode(worldMap().nodeCount());
    RefillLinkLists();
    m_following = false;
    DrawMap();
}

void frmMapScreenEdit::KillNode()
{
    if (!m_open)
        return;
    // The lists, refilled, no longer offer the removed node: the selected node's links to it
    // become "-" in the same step.
    const qint32 selected = CurrentNode;
    editMap(QStringLiteral("Remove Node"), [selected](oWorldMap &map) {
        map.removeNode();
        const quint8 last = static_cast<quint8>(map.nodeCount());
        if (selected < 1 || selected > map.nodeCount())
            return;
        if (map.UpNode(selected) > last)
            map.setUpNode(selected, 0);
        if (map.DownNode(selected) > last)
            map.setDownNode(selected, 0);
        if (map.LeftNode(selected) > last)
            map.setLeftNode(selected, 0);
        if (map.RightNode(selected) > last)
            map.setRightNode(selected, 0);
    });
    m_following = true;
    RefillLinkLists();
    m_following = false;
    showSelectedNode();  // the removed node may have been the selected one
    DrawMap();
}

void frmMapScreenEdit::showSelectedNode()
{
    // No number for a node that is not there: none chosen yet, or the selected one removed.
    const bool selected = CurrentNode >= 1 && CurrentNode <= worldMap().nodeCount();
    lblCurrent->setText(selected ? QStringLiteral("Node %1").arg(CurrentNode) : kNoNodeSelected);
}

void frmMapScreenEdit::RefillLinkLists()
{
    const bool nodeSelected = CurrentNode >= 1 && CurrentNode <= worldMap().nodeCount();
    const quint8 links[4] = {worldMap().UpNode(CurrentNode), worldMap().DownNode(CurrentNode),
                             worldMap().LeftNode(CurrentNode), worldMap().RightNode(CurrentNode)};
    for (int k = 0; k < 4; ++k) {
        QComboBox *list = cmbNodeSelect[k];
        // The selected node's own link, even where the list still shows another node's
        // (a selection that stopped early leaves lists as they were).
        const int p = nodeSelected ? links[k] : std::max(0, list->currentIndex());
        m_fillingList = true;
        list->clear();
        list->addItem(QStringLiteral("-"));
        for (qint32 n = 1; n <= worldMap().nodeCount(); ++n)
            list->addItem(linkEntry(worldMap(), n));
        m_fillingList = false;
        chooseEntry(k, p < list->count() ? p : 0);
    }
}

void frmMapScreenEdit::nameLinkEntries(qint32 node)
{
    if (node < 1 || node > worldMap().nodeCount())
        return;
    for (int k = 0; k < 4; ++k)
        if (node < cmbNodeSelect[k]->count())
            cmbNodeSelect[k]->setItemText(node, linkEntry(worldMap(), node));
}

void frmMapScreenEdit::chooseEntry(int list, int entry)
{
    if (cmbNodeSelect[list]->currentIndex() == entry)
        nodeListChanged(list, entry);
    else
        cmbNodeSelect[list]->setCurrentIndex(entry);
}

void frmMapScreenEdit::nodeListChanged(int list, int entry)
{
    if (m_fillingList || entry < 0)
        return;
    const auto v = static_cast<quint8>(entry);
    static const char *const names[6] = {"Link Up", "Link Down", "Link Left", "Link Right", "Level Link",
                                         "Manner of Entrance"};
    editMap(
        QString::fromLatin1(names[std::clamp(list, 0, 5)]),
        [this, list, v](oWorldMap &map) {
            switch (list) {
            case 0: map.setUpNode(CurrentNode, v); break;
            case 1: map.setDownNode(CurrentNode, v); break;
            case 2: map.setLeftNode(CurrentNode, v); break;
            case 3: map.setRightNode(CurrentNode, v); break;
            case 4: map.setNodeTag(CurrentNode, v); break;
            case 5: map.setEntryPointValue(CurrentNode, v); break;
            default: break;
            }
        });
    if (list == 4) {
        cmdWorld->setVisible(isWarp(worldMap().NodeTag(CurrentNode)));
        nameLinkEntries(CurrentNode);
    }
    else if (list < 4 && chkShowLinks->isChecked())
        DrawMap();  // the link lines follow the lists
}

void frmMapScreenEdit::SelectNode(qint32 n)
{
    CurrentNode = n;
    showSelectedNode();
    chkPassThru->setChecked(worldMap().PassThru(n));
    const int values[6] = {worldMap().UpNode(n),   worldMap().DownNode(n), worldMap().LeftNode(n),
                           worldMap().RightNode(n), worldMap().NodeTag(n),  worldMap().EntryPoint(n)};
    for (int k = 0; k < 6; ++k) {
        // A value the list has no entry for stops here; the node keeps it untouched.
        if (values[k] >= cmbNodeSelect[k]->count())
            return;
        cmbNodeSelect[k]->setCurrentIndex(values[k]);
    }
    cmdWorld->setVisible(isWarp(worldMap().NodeTag(n)));
}

void frmMapScreenEdit::chooseWorld()
{
    frmMapScrGetWorld picker(m_world.state().sWorldFolders, m_dialogs, window());
    picker.ShowMe(worldMap().warpExitWorld(CurrentNode));
    const qint16 world = picker.OutputWorldNumber();
    if (world > 0)
        editMap(QStringLiteral("Warp World"),
                [this, world](oWorldMap &map) { map.warpSetExitWorld(CurrentNode, static_cast<quint8>(world)); });
}

} // namespace tessaforge
