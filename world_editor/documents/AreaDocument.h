#pragma once

#include "area/AreaEditing.h"
#include "area/oLevel.h"

#include "Document.h"

#include "Status.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tessaforge {

class AreaCommand;

// One area file open for editing: the area, the name it was read or saved under, its history
// and whether it holds unsaved changes. Every edit goes through an operation here and becomes
// one command of the history; the windows redraw from the signals, whatever made the change
// (the mouse, an undo, a redo).
class AreaDocument final : public Document
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AreaDocument)

public:
    explicit AreaDocument(QObject *parent = nullptr);
    ~AreaDocument() override;

    const oLevel &area() const { return oArea; }
    // The area's name without ".qzl", as the user typed it; empty for a new area.
    QString fileName() const { return sCurAreaFile; }

    // ---- the area as a whole: the history starts again and nothing is modified
    // A 20 x 15 area, start (0, 0), no side warp.
    void newArea();
    // Reads the file at `path`; on failure the open area stays as it was.
    vt::Status load(const QString &path, const QString &name);
    // Writes the area to `path` (a link may not lead outside `confineTo`); on success nothing
    // is modified. The area keeps its name, whatever file it was written to.
    vt::Status save(const QString &path, const QString &confineTo);
    // The area as it is now was written to `path` along with other files (a replacement across
    // the world writes its areas as one): on return nothing is modified.
    void markWrittenTo(const QString &path);

    // ---- edits
    // A pencil drag: between beginStroke and endStroke its cells and a start placement make
    // one step. An undo in the middle ends the step; the rest of the drag makes another.
    void beginStroke();
    void endStroke();
    bool strokeOpen() const { return m_strokeOpen; }
    // Gives cell (X, Y) the content `after`; false, and nothing done, when it holds it
    // already. `name` names the step ("Paint", "Erase").
    bool paintCell(qint32 X, qint32 Y, const AreaCell &after, const QString &name);
    void placeStart(QPoint cell);

    // Every cell takes its "after" value, in one step named `name`.
    void changeCells(std::vector<CellChange> cells, const QString &name);
    // A step that a tool computes as it edits (a fill paints while it searches, so that each
    // cell is read once); the tool returns nothing when it refused and left the area alone.
    using Tool = std::function<std::optional<AreaChange>(oLevel &)>;
    void applyTool(Tool tool, const QString &name);

    enum class Resizing { Resized, Unchanged, NoMemory };
    // Counts of columns and rows, each 1 .. oLevel::kMaxCount.
    Resizing resize(qint32 columns, qint32 rows);
    void toggleSideWarp();

    // ---- history: steps beyond the limit in bytes are dropped, oldest first
    static constexpr qsizetype kHistoryLimit = qsizetype(64) * 1024 * 1024;
    void setHistoryLimit(qsizetype bytes);
    qsizetype historyBytes() const { return m_historyBytes; }

Q_SIGNALS:
    // Cells inside the rectangle changed (by column and row); the size did not.
    void cellsChanged(const QRect &cells);
    void startMoved(QPoint from, QPoint to);
    void sideWarpChanged(bool on);
    // The counts of columns and rows changed (cells may have been dropped or come back).
    void resized();
    // A new or loaded area replaced the one shown.
    void areaReplaced();
    void fileNameChanged(const QString &name);

private:
    friend class AreaCommand;

    // What commands call as they go forward or back.
    void perform(const AreaChange &change, bool forward);
    void announce(const AreaChange &change, bool forward);
    void historyGrew(qsizetype bytes) { m_historyBytes += bytes; }
    bool restacking() const { return m_restacking; }

    void push(AreaCommand *command);
    // A command of the open drag, which grows while it is the newest.
    void pushStroke(AreaCommand *command);
    void replaced(QString name, const QString &path);
    void trimHistory();
    QString journalKind() const override { return QStringLiteral("area"); }
    vt::HistoryJournal::Payload journalStep(const QUndoCommand &command) const override;
    QUndoCommand *stepFromJournal(const QByteArray &bytes) override;
    void pushFromJournal(QUndoCommand *command) override;
    // A drag's step grows at the top: the journal records it once it is whole.
    void holdJournal();
    void releaseJournal();

    oLevel oArea;
    QString sCurAreaFile;
    qsizetype m_historyLimit = kHistoryLimit;
    qsizetype m_historyBytes = 0;
    // QUndoStack cannot drop its oldest commands: trimming pushes the newest again, and
    // they must not be performed a second time.
    bool m_restacking = false;

    bool m_journalHeld = false;  // by an open drag

    bool m_strokeOpen = false;
    AreaCommand *m_strokeCommand = nullptr;  // the open stroke's command while it is the newest
};

} // namespace tessaforge
