#pragma once

#include "tileinfo/mLevelTileset.h"

#include "Journal.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <memory>
#include <vector>

namespace vt {
class HistoryJournal;
}

namespace tilemarrow {

class TileCommand;

// The tile information being edited: the record of the open tileset, the file it was loaded
// from or saved to, and the history of its tile changes. The window edits through it and
// redraws from its signals, whether a change came from the controls, an undo or a redo.
class TileInfoDocument final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TileInfoDocument)

public:
    static constexpr qint32 kAnimated = 128;

    explicit TileInfoDocument(QObject *parent = nullptr);
    ~TileInfoDocument() override;

    const TileInfo &tileInfo() const { return m_info; }
    bool hasGrid() const { return m_info.hasGrid(); }
    bool containsTile(qint32 x, qint32 y) const;
    // The file last loaded or saved; empty when there is none, or when the record now
    // describes another bitmap.
    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &fileName);
    QUndoStack *undoStack() { return &m_undo; }
    // Changes not yet saved: in the history since the last load or save, or kept from
    // before the history was last started anew.
    bool isModified() const { return !m_undo.isClean() || m_unsavedBeforeHistory; }

    // Gives the tile a value (type code plus kAnimated for an animated tile) as one undo
    // step. False when there is no such tile; a value it already has adds no step.
    bool setTileValue(qint32 x, qint32 y, qint32 value);

    // Fitting the grid to a bitmap of this size would drop tiles whose values are not saved.
    bool fitCutsUnsavedTiles(quint8 maxX, quint8 maxY) const;
    // Fits the grid to a new bitmap, keeping the tiles both grids share. Not an edit: the
    // history starts anew, a saved record stays saved and unsaved values stay unsaved.
    void fitGrid(quint8 maxX, quint8 maxY);

    // Reads a tile information file. On success it replaces the record, counts as saved and
    // names the document; on failure nothing changes.
    vt::Status load(const QString &path);
    // Writes the record. On success it counts as saved and the document takes the name.
    vt::Status save(const QString &path);

    // Keeps a crash journal of the unsaved changes in the recovery folder from now on.
    void recordTo(const QString &recoveryFolder);
    // The journal being written; empty when there is none.
    QString journalPath() const;
    // The unsaved changes are given up (the window closes without saving): their journal goes.
    void discardJournal();
    // Puts a journal's records on the history as the edits they were. The steps replayed;
    // complete is false when a record could not be replayed (the rest are left out).
    qsizetype replay(const std::vector<vt::JournalEntry> &records, bool *complete = nullptr);

Q_SIGNALS:
    void tileChanged(qint32 x, qint32 y);
    // The whole record was read or refitted.
    void documentReplaced();
    void fileNameChanged(const QString &fileName);
    void modifiedChanged(bool modified);
    // The journal cannot be written: the unsaved changes are not recorded from now on.
    void journalFailed(const QString &why);

private:
    friend class TileCommand;
    void applyTile(qint32 x, qint32 y, qint32 value);
    void noteModified();
    // The journal starts from the file last read or written, or from an empty grid for a
    // record that is no file's; tiles that differ from it at the bottom of the history are
    // recorded first.
    void restartJournal();
    TileInfo bottomOfHistory() const;

    TileInfo m_info;
    TileInfo m_saved;  // as last loaded or saved: what the values not saved are told from
    QString m_fileName;
    QUndoStack m_undo;
    bool m_unsavedBeforeHistory = false;
    bool m_modifiedShown = false;  // as last announced
    std::unique_ptr<vt::JournalWriter> m_journal;
    std::unique_ptr<vt::HistoryJournal> m_history;
};

} // namespace tilemarrow
