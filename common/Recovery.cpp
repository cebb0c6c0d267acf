#include "Recovery.h"

#include "Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt {

namespace {

QString documentName(const JournalContents &journal, const QString &untitled)
{
    return journal.origin.path.isEmpty() ? untitled : QFileInfo(journal.origin.path).fileName();
}

} // namespace

std::vector<FoundJournal> leftJournals(const QString &folder, const QString &program, const QString &kind)
{
    std::vector<FoundJournal> found;
    const QStringList paths = journalsOf(folder, program);
    // journalsOf gives the oldest first: the newest is offered first.
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) {
        FoundJournal j{*it, {}};
        // One that cannot be read is no journal of ours: left where it is.
        if (!readJournal(j.path, j.contents).ok() || j.contents.program != program || j.contents.kind != kind)
            continue;
        found.push_back(std::move(j));
    }
    return found;
}

std::vector<FoundJournal> leftJournalsOf(const QString &folder, const QString &program, const QString &kind,
                                         const QString &documentPath)
{
    std::vector<FoundJournal> found = leftJournals(folder, program, kind);
    const QString wanted = QFileInfo(documentPath).absoluteFilePath();
    std::erase_if(found, [&](const FoundJournal &j) { return j.contents.origin.path != wanted; });
    return found;
}

RecoveryAnswer offerRecovery(Dialogs &dialogs, QWidget *parent, const QString &title, const FoundJournal &journal,
                             const QString &untitled)
{
    const QString name = documentName(journal.contents, untitled);
    if (!journalMatchesDisk(journal.contents)) {
        QString aside;
        const Status moved = setJournalAside(journal.path, aside);
        const QString text =
            moved.ok() ? u"%1 has changed since its unsaved changes were recorded, so they were not recovered. "
                         "The record of them was moved to %2."_s.arg(name, QDir::toNativeSeparators(aside))
                       : u"%1 has changed since its unsaved changes were recorded, so they were not recovered. "
                         "The record of them could not be moved aside: %2"_s.arg(name, moved.error());
        dialogs.message(parent, title, text, Dialogs::Icon::Warning);
        return moved.ok() ? RecoveryAnswer::SetAside : RecoveryAnswer::Later;
    }
    switch (dialogs.question(parent, title, recoveryQuestion(journal.contents, untitled),
                             Dialogs::Buttons::RecoverDiscard, Dialogs::Icon::Question)) {
    case Dialogs::Answer::Yes: return RecoveryAnswer::Recover;
    case Dialogs::Answer::No:
        if (!QFile::remove(journal.path) && QFileInfo::exists(journal.path)) {
            dialogs.message(parent, title,
                            u"The unsaved changes to %1 could not be discarded: %2 cannot be deleted."_s.arg(
                                name, QDir::toNativeSeparators(journal.path)),
                            Dialogs::Icon::Warning);
            return RecoveryAnswer::Later;
        }
        return RecoveryAnswer::Discarded;
    default: return RecoveryAnswer::Later;
    }
}

QString recoveryShortfall(const FoundJournal &journal, qsizetype replayed, bool complete, const QString &untitled)
{
    if (complete && !journal.contents.damaged)
        return {};
    const qsizetype edits = journal.contents.edits();
    const QString name = documentName(journal.contents, untitled);
    if (!complete)
        return u"Only %1 of the %2 recorded edits to %3 could be recovered: a record could not be used, and "
               "what follows it was left out."_s.arg(replayed).arg(edits).arg(name);
    return u"%1 edits to %2 were recovered. The record ends in a damaged part: changes made after it are lost."_s
        .arg(replayed)
        .arg(name);
}

void retireJournal(const QString &readPath, const QString &writingPath, bool documentModified)
{
    if (QFileInfo(readPath).absoluteFilePath() == QFileInfo(writingPath).absoluteFilePath())
        return;
    if (writingPath.isEmpty() && documentModified)
        return;
    QFile::remove(readPath);
}

void syncJournalsWhenInactive(QObject *context)
{
    if (auto *app = qGuiApp)
        QObject::connect(app, &QGuiApplication::applicationStateChanged, context, [](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                JournalWriter::syncAll();
        });
}

QString recoveryOffText(const QString &documentPath, const QString &untitled, const QString &why)
{
    const QString name = documentPath.isEmpty() ? untitled : QFileInfo(documentPath).fileName();
    return u"Recovery is off for %1: %2"_s.arg(name, why);
}

} // namespace vt
