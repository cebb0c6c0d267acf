#include "DocumentRecovery.h"

#include "documents/Document.h"

#include "Dialogs.h"
#include "Recovery.h"

namespace tessaforge {

void offerRecovery(Document &document, const QString &gameFolder, vt::Dialogs &dialogs, QWidget *parent,
                   const QString &title, const QString &untitled,
                   const std::function<void(const QString &)> &status)
{
    const QString kind = document.journalKindName();
    const QString folder = vt::recoveryFolder(gameFolder);
    const QString tessaforge = QStringLiteral("tessaforge");
    const std::vector<vt::FoundJournal> found =
        document.filePath().isEmpty() ? vt::leftJournals(folder, tessaforge, kind)
                                      : vt::leftJournalsOf(folder, tessaforge, kind, document.filePath());
    for (const vt::FoundJournal &journal : found) {
        // A document with a file takes only that file's journals; one without, those of
        // documents never saved.
        if (!journal.contents.origin.path.isEmpty() && journal.contents.origin.path != document.filePath())
            continue;
        if (vt::offerRecovery(dialogs, parent, title, journal, untitled) != vt::RecoveryAnswer::Recover)
            continue;
        bool complete = true;
        const qsizetype edits = document.recover(journal.contents, &complete);
        // The recovered edits are recorded again as they are replayed, under the file's name.
        vt::retireJournal(journal.path, document.journalPath(), document.isModified());
        if (const QString shortfall = vt::recoveryShortfall(journal, edits, complete, untitled); !shortfall.isEmpty())
            dialogs.message(parent, title, shortfall, vt::Dialogs::Icon::Warning);
        else
            status(QStringLiteral("Recovered %1 edits").arg(edits));
        return;
    }
}

} // namespace tessaforge
