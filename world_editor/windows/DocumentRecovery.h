#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace vt {
class Dialogs;
}

namespace tessaforge {

class Document;

// Offers back the unsaved changes that a world editor which died recorded for the file the
// document now stands for (for a document with no file: the changes to a new one of its
// kind). Recover replays them, leaving the document modified; Discard deletes them. Changes
// recorded against an older version of the file are never applied: they are moved aside and
// the user is told where. status shows a line in the status bar.
void offerRecovery(Document &document, const QString &gameFolder, vt::Dialogs &dialogs, QWidget *parent,
                   const QString &title, const QString &untitled,
                   const std::function<void(const QString &)> &status);

} // namespace tessaforge
