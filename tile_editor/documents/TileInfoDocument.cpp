#include "documents/TileInfoDocument.h"

#include <QUndoCommand>

using namespace Qt::StringLiterals;

namespace tilemarrow {

// One tile's value before and after a change of its type or its flag.
struct TileChange
{
    qint32 x, y;
    qint32 before, after;
};

class TileCommand final : public QUndoCommand
{
public:
    TileCommand(TileInfoDocument &document, const TileChange &change)
        : QUndoCommand(((change.before ^ change.after) & ~TileInfoDocument::kAnimated) != 0 ? u"Tile Type"_s
                                                                                             : u"Animated"_s),
          m_document(document), m_change(change)
    {
    }
    void redo() override { m_document.applyTile(m_change.x, m_change.y, m_change.after); }
    void undo() override { m_document.applyTile(m_change.x, m_change.y, m_change.before); }

private:
    TileInfoDocument &m_document;
    TileChange m_change;
};

TileInfoDocument::TileInfoDocument(QObject *parent) : QObject(parent)
{
    m_undo.setUndoLimit(1000);
    connect(&m_undo, &QUndoStack::cleanChanged, this, &TileInfoDocument::noteModified);
}

TileInfoDocument::~TileInfoDocument()
{
    m_undo.disconnect(this);  // its clearing on the way out is no change to announce
}

bool TileInfoDocument::containsTile(qint32 x, qint32 y) const
{
    return m_info.hasGrid() && x >= 0 && x <= m_info.MaxX && y >= 0 && y <= m_info.MaxY;
}

void TileInfoDocument::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    m_fileName = fileName;
    Q_EMIT fileNameChanged(m_fileName);
}

bool TileInfoDocument::setTileValue(qint32 x, qint32 y, qint32 value)
{
    if (!containsTile(x, y))
        return false;  // no tileset, or no tile there: nothing to change
    const qint32 before = m_info.tile(x, y);
    const qint32 after = qBound(0, value, 255);  // what the tile can hold
    if (after != before)
        m_undo.push(new TileCommand(*this, {x, y, before, after}));
    return true;
}

void TileInfoDocument::applyTile(qint32 x, qint32 y, qint32 value)
{
    m_info.setTile(x, y, value);
    Q_EMIT tileChanged(x, y);
}

bool TileInfoDocument::fitCutsUnsavedTiles(quint8 maxX, quint8 maxY) const
{
    if (!isModified() || !m_info.hasGrid())
        return false;
    for (qint32 x = 0; x <= m_info.MaxX; ++x)
        for (qint32 y = 0; y <= m_info.MaxY; ++y)
            if ((x > maxX || y > maxY) && m_info.tile(x, y) != m_saved.tile(x, y))
                return true;
    return false;
}

void TileInfoDocument::fitGrid(quint8 maxX, quint8 maxY)
{
    const bool modified = isModified();
    m_info.resizeKeeping(maxX, maxY);
    // Set before the history goes, so that clearing it does not announce a save.
    m_unsavedBeforeHistory = modified;
    m_undo.clear();
    if (!modified)
        m_saved = m_info;
    Q_EMIT documentReplaced();
    noteModified();
}

vt::Status TileInfoDocument::load(const QString &path)
{
    TileInfo read;
    const vt::Status status = mLevelTileset::ReadTileInfo(read, path);
    if (!status.ok())
        return status;
    m_info = std::move(read);
    m_saved = m_info;
    m_unsavedBeforeHistory = false;
    m_undo.clear();
    setFileName(path);
    Q_EMIT documentReplaced();
    noteModified();
    return status;
}

vt::Status TileInfoDocument::save(const QString &path)
{
    const vt::Status status = mLevelTileset::WriteTileInfo(m_info, path);
    if (!status.ok())
        return status;
    m_saved = m_info;
    m_unsavedBeforeHistory = false;
    m_undo.setClean();
    setFileName(path);
    noteModified();
    return status;
}

void TileInfoDocument::noteModified()
{
    if (isModified() == m_modifiedShown)
        return;
    m_modifiedShown = isModified();
    Q_EMIT modifiedChanged(m_modifiedShown);
}

} // namespace tilemarrow
