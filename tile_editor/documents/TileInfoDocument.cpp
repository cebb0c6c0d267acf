#include "documents/TileInfoDocument.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "HistoryJournal.h"

#include <QUndoCommand>

#include <algorithm>

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
    const TileChange &change() const { return m_change; }

private:
    TileInfoDocument &m_document;
    TileChange m_change;
};

namespace {

// A tile change as the journal holds it: where, and the value before and after, so that a
// step the file already holds can be taken back.
vt::JournalWriter::Payload payloadOf(const TileChange &change)
{
    return [change] {
        vt::BinaryWriter w;
        w.i32(change.x);
        w.i32(change.y);
        w.i32(change.before);
        w.i32(change.after);
        return w.take();
    };
}

} // namespace

TileInfoDocument::TileInfoDocument(QObject *parent) : QObject(parent)
{
    m_undo.setUndoLimit(1000);
    connect(&m_undo, &QUndoStack::cleanChanged, this, &TileInfoDocument::noteModified);
}

TileInfoDocument::~TileInfoDocument()
{
    m_undo.disconnect(this);  // its clearing on the way out is no change to announce
    // The history's own clearing is no return to the saved state: the journal stays.
    m_history.reset();
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
    // No longer the file's record: what it holds is recorded from an empty grid.
    if (m_fileName.isEmpty())
        restartJournal();
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
    if (m_history)
        m_history->hold();  // the history's clearing is no return to the saved state
    m_undo.clear();
    if (!modified)
        m_saved = m_info;
    else
        m_undo.resetClean();  // the saved state is not in the new history
    restartJournal();
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
    if (m_history)
        m_history->setOrigin(vt::JournalOrigin::ofFile(path));
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
    if (m_history)
        m_history->setOrigin(vt::JournalOrigin::ofFile(path));
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

void TileInfoDocument::recordTo(const QString &recoveryFolder)
{
    m_history.reset();
    m_journal = std::make_unique<vt::JournalWriter>(recoveryFolder, u"tilemarrow"_s, u"tileinfo"_s);
    connect(m_journal.get(), &vt::JournalWriter::failed, this, &TileInfoDocument::journalFailed);
    m_history = std::make_unique<vt::HistoryJournal>(m_undo, *m_journal, [](const QUndoCommand &command) {
        return payloadOf(static_cast<const TileCommand &>(command).change());
    });
    m_journal->setOrigin(m_fileName.isEmpty() ? vt::JournalOrigin{} : vt::JournalOrigin::ofFile(m_fileName));
    restartJournal();
}

void TileInfoDocument::discardJournal()
{
    if (m_journal)
        m_journal->discard();
}

QString TileInfoDocument::journalPath() const
{
    return m_journal && m_journal->isOpen() ? m_journal->path() : QString();
}

TileInfo TileInfoDocument::bottomOfHistory() const
{
    TileInfo bottom = m_info;
    for (int i = m_undo.index() - 1; i >= 0; --i) {
        const TileChange &c = static_cast<const TileCommand *>(m_undo.command(i))->change();
        bottom.setTile(c.x, c.y, c.before);
    }
    return bottom;
}

void TileInfoDocument::restartJournal()
{
    if (!m_history)
        return;
    m_history->hold();
    const vt::JournalOrigin origin = m_fileName.isEmpty() ? vt::JournalOrigin{} : m_journal->origin();
    m_history->setOrigin(origin);
    // What the origin gives once fitted to this grid: the file's record, or no types at all.
    TileInfo reference;
    if (m_info.hasGrid()) {
        if (origin.path.isEmpty())
            reference.resize(m_info.MaxX, m_info.MaxY);
        else {
            reference = m_saved;
            reference.resizeKeeping(m_info.MaxX, m_info.MaxY);
        }
    }
    const TileInfo bottom = bottomOfHistory();
    std::vector<TileChange> base;
    if (bottom.hasGrid()) {
        for (qint32 x = 0; x <= bottom.MaxX; ++x)
            for (qint32 y = 0; y <= bottom.MaxY; ++y)
                if (bottom.tile(x, y) != reference.tile(x, y))
                    base.push_back({x, y, reference.tile(x, y), bottom.tile(x, y)});
    }
    if (!base.empty()) {
        m_history->setBase([base] {
            std::vector<vt::JournalWriter::Pending> records;
            records.reserve(base.size());
            for (const TileChange &c : base)
                records.push_back({vt::JournalRecord::Step, payloadOf(c)});
            return records;
        });
    }
    m_history->release();
}

qsizetype TileInfoDocument::replay(const std::vector<vt::JournalEntry> &records, bool *complete)
{
    const auto decode = [this](const QByteArray &payload) -> QUndoCommand * {
        vt::BinaryReader r(payload);
        TileChange c;
        c.x = r.i32();
        c.y = r.i32();
        c.before = r.i32();
        c.after = r.i32();
        const auto value = [](qint32 v) { return v >= 0 && v <= 255; };
        if (!r.ok() || r.remaining() != 0 || !containsTile(c.x, c.y) || !value(c.before) || !value(c.after)
            || c.before == c.after)
            return nullptr;
        return new TileCommand(*this, c);
    };
    // The steps the file already holds come back saved: replay marks where the last stands.
    return vt::HistoryJournal::replay(
        m_undo, records, decode, [this](QUndoCommand *command) { m_undo.push(command); }, complete);
}

} // namespace tilemarrow
