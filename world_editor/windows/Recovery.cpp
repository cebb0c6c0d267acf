#include "Recovery.h"

#include "documents/Document.h"

#include "Dialogs.h"
#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace tessaforge {

void offerRecovery(Document &document, const QString &gameFolder, vt::Dialogs &dialogs, QWidget *parent,
                   const QString &title, const QString &untitled,
                   const std::function<void(const QString &)> &status)
{
    const QString path = document.filePath();
    for (const QString &journal : vt::journalsOf(vt::recoveryFolder(gameFolder), QStringLiteral("tessaforge"))) {
        vt::JournalContents contents;
        if (!vt::readJournal(journal, contents) || contents.kind != document.journalKindName()
            || contents.origin.path != path)
            continue;
        const QString name = path.isEmpty() ? untitled : QFileInfo(path).fileName();
        if (!vt::journalMatchesDisk(contents)) {
            // Replayed onto another file the edits would be wrong: they are kept, not applied.
            QString aside;
            if (vt::setJournalAside(journal, aside))
                dialogs.message(parent, title,
                                QStringLiteral("Unsaved changes to %1 were recorded at %2, but the file has changed "
                                               "since: they were not applied, and are kept in %3.")
                                    .arg(name, QLocale().toString(contents.lastWritten, QLocale::ShortFormat),
                                         QDir::toNativeSeparators(aside)),
                                vt::Dialogs::Icon::Warning);
            continue;
        }
        if (dialogs.question(parent, title, vt::recoveryQuestion(contents, untitled),
                             vt::Dialogs::Buttons::RecoverDiscard, vt::Dialogs::Icon::Question)
            != vt::Dialogs::Answer::Yes) {
            QFile::remove(journal);
            continue;
        }
        bool complete = true;
        const qsizetype edits = document.recover(contents, &complete);
        // The recovered edits are recorded again as they are replayed, under the file's name;
        // a journal of a document with no file has a name of its own and goes.
        if (journal != document.journalPath())
            QFile::remove(journal);
        if (!complete || contents.damaged)
            dialogs.message(parent, title,
                            QStringLiteral("%1 edits to %2 were recovered; the record after them could not be "
                                           "read, and what it held is lost.")
                                .arg(edits)
                                .arg(name),
                            vt::Dialogs::Icon::Warning);
        else
            status(QStringLiteral("%1 edits to %2 recovered").arg(edits).arg(name));
        return;
    }
}

QString recoveryOffMessage(const QString &what, const QString &why)
{
    return QStringLiteral("Recovery is off for %1: %2").arg(what, why);
}

} // namespace tessaforge
