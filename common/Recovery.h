#pragma once

#include "Journal.h"

#include <QString>

#include <vector>

class QObject;
class QWidget;

namespace vt {

class Dialogs;

// What a program does with the journals an earlier run left: find those of a document, offer
// them, and tidy up after a replay. Shared by the programs that keep one document open.

// A journal left behind, read back.
struct FoundJournal
{
    QString path;
    JournalContents contents;
};

// The program's journals of the given kind in the recovery folder, newest first, that no
// running program is writing. With a document path, only those of that file.
std::vector<FoundJournal> leftJournals(const QString &folder, const QString &program, const QString &kind);
std::vector<FoundJournal> leftJournalsOf(const QString &folder, const QString &program, const QString &kind,
                                         const QString &documentPath);

enum class RecoveryAnswer { Recover, Discarded, SetAside, Later };
// A journal whose file changed since is never replayed: it is set aside and the user told
// where. Otherwise the user is asked; Discard deletes it, closing the question leaves it for
// the next start.
RecoveryAnswer offerRecovery(Dialogs &dialogs, QWidget *parent, const QString &title, const FoundJournal &journal,
                             const QString &untitled);

// What the user is told after a replay that left edits out; empty when every edit came back.
QString recoveryShortfall(const FoundJournal &journal, qsizetype replayed, bool complete, const QString &untitled);

// After a replay: the journal read goes, unless the document now writes the recovered edits
// to the same file, or cannot record them at all (then it is all that holds them).
void retireJournal(const QString &readPath, const QString &writingPath, bool documentModified);

// From now on, while context lives, every journal of the program is handed to the disk when
// the user turns to another program.
void syncJournalsWhenInactive(QObject *context);

// "Recovery is off for Grass.qzt: why"
QString recoveryOffText(const QString &documentPath, const QString &untitled, const QString &why);

} // namespace vt
