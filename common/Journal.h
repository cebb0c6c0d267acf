#pragma once

#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vt {

// A crash journal: what a document's history did since the file was last read or saved, so
// that unsaved edits survive a killed program. One file per modified document, in the game
// folder's recovery folder, written by a thread of its own so that editing never waits on the
// disk.
//
// The file: the header (magic, version, the program and the kind of document, the document's
// path, the size and SHA-256 of the file the records start from, or none for a new document,
// the time it was begun) with its length and CRC-32C; then one record after another, each its
// payload's length, its type, the payload and a CRC-32C of type and payload. A record cut by a
// crash, or damaged, ends the journal: what comes before it is replayed.

// CRC-32C (Castagnoli), continued from crc.
quint32 crc32c(QByteArrayView bytes, quint32 crc = 0);

// The file a journal's records start from.
struct JournalOrigin
{
    QString path;  // absolute; empty for a document never saved and with no file in view
    qint64 size = -1;  // -1 for a document never saved (and a file not made yet)
    QByteArray sha256;

    bool isNew() const { return size < 0; }
    // The file as it was just read or written.
    static JournalOrigin ofBytes(const QString &path, QByteArrayView bytes);
    // The file as it is on disk now (none when it cannot be read).
    static JournalOrigin ofFile(const QString &path);
    bool operator==(const JournalOrigin &) const = default;
};

enum class JournalRecord : quint8 {
    Step = 1,  // a step made and pushed onto the history
    Kept = 2,  // a step the origin already holds: pushed without being made, to be undone
    Undo = 3,
    Redo = 4,
};

struct JournalEntry
{
    JournalRecord type;
    QByteArray payload;
};

// The recovery folder of a game folder.
QString recoveryFolder(const QString &gameFolder);

struct JournalFile;
class JournalDisk;

// The journal of one document. Nothing is written until begin(); a failure to write turns the
// journal off for the document and is said once, through failed().
class JournalWriter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalWriter)

public:
    // program names the program ("tessaforge", "keyvane"), kind the document ("area"); both
    // go into the file's name, so that two programs never share a journal.
    JournalWriter(QString folder, QString program, QString kind, QObject *parent = nullptr);
    // The journal stays on disk: a document dropped without being saved or discarded (the
    // program ends some other way) keeps its edits for the next start.
    ~JournalWriter() override;

    // Where the next journal starts from: the file just read or written. An open journal is
    // deleted, since what it records no longer applies.
    void setOrigin(const JournalOrigin &origin);
    const JournalOrigin &origin() const { return m_origin; }

    // A record's payload, made on the journal's thread, so that editing does not wait for it:
    // what it captures must not change afterwards.
    using Payload = std::function<QByteArray()>;
    struct Pending
    {
        JournalRecord type;
        Payload payload;
    };

    // Starts the journal afresh with the records that lead from the origin to the document
    // as it stands.
    void begin(std::vector<Pending> records);
    void append(JournalRecord type, Payload payload = {});
    // Deletes the journal: the document was saved, discarded, or is back where it started.
    void discard();

    bool isOpen() const { return m_open; }
    // A write failed: nothing more is recorded for this document until the next origin.
    bool isOff() const { return m_off; }
    QString path() const { return m_path; }

    // Hands every journal of the program to the disk now (the program lost the focus).
    static void syncAll();
    // Waits until every record handed over so far is written (tests, and a clean exit).
    static void drain();

Q_SIGNALS:
    void failed(const QString &why);

private:
    friend class JournalDisk;
    void reportFailure(const QString &why);
    QString nameFor(const QString &documentPath) const;

    QString m_folder, m_program, m_kind;
    JournalOrigin m_origin;
    QString m_path;
    std::shared_ptr<JournalFile> m_file;
    bool m_open = false;
    bool m_off = false;
    bool m_told = false;
};

// A journal as read back.
struct JournalContents
{
    QString program;
    QString kind;
    JournalOrigin origin;
    QDateTime begun;
    QDateTime lastWritten;  // the file's modification time
    std::vector<JournalEntry> records;  // those before the first damaged one
    bool damaged = false;  // a record was cut or failed its checksum
    // The steps among the records (what the user would call edits).
    qsizetype edits() const;
};

Status readJournal(const QString &path, JournalContents &out);

// The journals of a program in a recovery folder that no running program is writing.
QStringList journalsOf(const QString &folder, const QString &program);

// The file the journal starts from is on disk as it was then (a file still to be made is
// still missing; a document never saved always matches).
bool journalMatchesDisk(const JournalContents &journal);

// What the user is asked: "Recover unsaved changes to Meadow.qzl from 14:32?", and how many
// edits there are. untitled names a document never saved ("a new area").
QString recoveryQuestion(const JournalContents &journal, const QString &untitled);

// Moves a journal whose document changed since it began out of the way (into the folder's
// "set-aside" subfolder), so that it is neither replayed nor lost. The new path.
Status setJournalAside(const QString &path, QString &newPath);

} // namespace vt
