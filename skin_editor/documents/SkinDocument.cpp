#include "documents/SkinDocument.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"
#include "HistoryJournal.h"

#include <QUndoCommand>

#include <algorithm>

namespace skinloft {

// One enemy's graphic name before and after a choice, as the skin stores it.
struct GraphicChange
{
    qint32 enemy;
    QByteArray before, after;
};

class GraphicCommand final : public QUndoCommand
{
public:
    GraphicCommand(SkinDocument &document, GraphicChange change)
        : QUndoCommand(QStringLiteral("Graphic")), m_document(document), m_change(std::move(change))
    {
    }
    void redo() override { m_document.applyGraphic(m_change.enemy, m_change.after); }
    void undo() override { m_document.applyGraphic(m_change.enemy, m_change.before); }
    const GraphicChange &change() const { return m_change; }

private:
    SkinDocument &m_document;
    GraphicChange m_change;
};

namespace {

// A choice as the journal holds it: the enemy, and the stored names before and after, so
// that a step the file already holds can be taken back. The names are shared copies, never
// changed once made.
vt::JournalWriter::Payload payloadOf(const GraphicChange &change)
{
    return [change] {
        vt::BinaryWriter w;
        w.i32(change.enemy);
        w.i32(qint32(change.before.size()));
        w.bytes(change.before);
        w.i32(qint32(change.after.size()));
        w.bytes(change.after);
        return w.take();
    };
}

} // namespace

SkinDocument::SkinDocument(QObject *parent) : QObject(parent)
{
    m_undo.setUndoLimit(1000);
    connect(&m_undo, &QUndoStack::cleanChanged, this, &SkinDocument::noteModified);
}

SkinDocument::~SkinDocument()
{
    m_undo.disconnect(this);  // its clearing on the way out is no change to announce
    // The history's own clearing is no return to the saved state: the journal stays.
    m_history.reset();
}

bool SkinDocument::setEnemyGraphic(qint32 enemy, const QByteArray &stored)
{
    if (enemy < 0 || enemy >= kEnemyTypeCount || m_skin.Fields[size_t(enemy)] == stored)
        return false;
    m_undo.push(new GraphicCommand(*this, {enemy, m_skin.Fields[size_t(enemy)], stored}));
    return true;
}

void SkinDocument::applyGraphic(qint32 enemy, const QByteArray &stored)
{
    m_skin.Fields[size_t(enemy)] = stored;
    Q_EMIT enemyGraphicChanged(enemy);
}

vt::Status SkinDocument::load(const QString &path)
{
    EnemySkin read = m_skin;
    const vt::Status status = mEnemySkinFile::LoadEnemySkin(read, path);
    if (!status.ok() && read == m_skin)
        return status;  // nothing was read: the skin and its history stay
    m_skin = std::move(read);
    // Set before the history goes, so that clearing it does not announce a save.
    m_partlyLoaded = !status.ok();
    m_undo.clear();
    // A skin read in part is read so again: the journal starts from the file as it is.
    if (m_history)
        m_history->setOrigin(vt::JournalOrigin::ofFile(path));
    setFileName(path);
    Q_EMIT documentReplaced();
    noteModified();
    return status;
}

vt::Status SkinDocument::save(const QString &path)
{
    const vt::Status status = mEnemySkinFile::SaveEnemySkin(m_skin, path);
    if (!status.ok())
        return status;
    m_partlyLoaded = false;
    m_undo.setClean();
    if (m_history)
        m_history->setOrigin(vt::JournalOrigin::ofFile(path));
    setFileName(path);
    noteModified();
    return status;
}

void SkinDocument::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    m_fileName = fileName;
    Q_EMIT fileNameChanged(m_fileName);
}

void SkinDocument::noteModified()
{
    if (isModified() == m_modifiedShown)
        return;
    m_modifiedShown = isModified();
    Q_EMIT modifiedChanged(m_modifiedShown);
}

void SkinDocument::recordTo(const QString &recoveryFolder)
{
    m_history.reset();
    m_journal = std::make_unique<vt::JournalWriter>(recoveryFolder, QStringLiteral("skinloft"), QStringLiteral("skin"));
    connect(m_journal.get(), &vt::JournalWriter::failed, this, &SkinDocument::journalFailed);
    m_history = std::make_unique<vt::HistoryJournal>(m_undo, *m_journal, [](const QUndoCommand &command) {
        return payloadOf(static_cast<const GraphicCommand &>(command).change());
    });
    m_history->setOrigin(m_fileName.isEmpty() ? vt::JournalOrigin{} : vt::JournalOrigin::ofFile(m_fileName));
}

void SkinDocument::discardJournal()
{
    if (m_journal)
        m_journal->discard();
}

QString SkinDocument::journalPath() const
{
    return m_journal && m_journal->isOpen() ? m_journal->path() : QString();
}

qsizetype SkinDocument::replay(const std::vector<vt::JournalEntry> &records, bool *complete)
{
    const auto decode = [this](const QByteArray &payload) -> QUndoCommand * {
        vt::BinaryReader r(payload);
        GraphicChange c;
        c.enemy = r.i32();
        const auto name = [&r] {
            const qint32 n = r.i32();
            // A length the file could not hold fails the reader like a cut record.
            return r.bytes(n <= mEnemySkinFile::kMaxFieldLength ? n : -1);
        };
        c.before = name();
        c.after = name();
        if (!r.ok() || r.remaining() != 0 || c.enemy < 0 || c.enemy >= kEnemyTypeCount || c.before == c.after)
            return nullptr;
        return new GraphicCommand(*this, std::move(c));
    };
    // The steps the file already holds come back saved: replay marks where the last stands.
    return vt::HistoryJournal::replay(
        m_undo, records, decode, [this](QUndoCommand *command) { m_undo.push(command); }, complete);
}

} // namespace skinloft
