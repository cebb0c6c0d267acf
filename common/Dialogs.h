#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;
class QWidget;

namespace vt {

// Every modal question, message and file dialog of the programs goes through this seam,
// so that tests can answer them without a nested event loop.
class Dialogs
{
public:
    // RecoverDiscard: "Recover" answers Yes, "Discard" No.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RecoverDiscard };
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    virtual Answer question(QWidget *parent, const QString &title, const QString &text,
                            Buttons buttons, Icon icon) = 0;
    void message(QWidget *parent, const QString &title, const QString &text,
                 Icon icon = Icon::None)
    {
        question(parent, title, text, Buttons::Ok, icon);
    }
    // nullopt when the user cancels.
    virtual std::optional<QString> inputText(QWidget *parent, const QString &title,
                                             const QString &prompt, const QString &proposal) = 0;
    // The chosen path, or nullopt on cancel. filter uses the Qt form "Bitmaps (*.bmp)".
    // startAt is where the dialog opens: a folder, or a file whose folder it shows and whose
    // name it proposes; empty leaves the choice to the dialog.
    virtual std::optional<QString> openFile(QWidget *parent, const QString &title,
                                            const QString &filter, const QString &defaultExt,
                                            const QString &startAt = QString()) = 0;
    virtual std::optional<QString> saveFile(QWidget *parent, const QString &title,
                                            const QString &filter, const QString &defaultExt,
                                            const QString &startAt = QString()) = 0;
    // Runs one of the programs' own modal dialogs; the result is QDialog's (Accepted or
    // Rejected). Tests script the dialog's controls instead of entering an event loop.
    virtual int execDialog(QDialog &dialog) = 0;
};

// The one rule for a question about unsaved work (Yes, No and Cancel): Yes saves and goes on
// only when save() says the save completed; No goes on without saving; Cancel, or closing the
// box, stops. True when the caller may go on.
bool askToSaveChanges(Dialogs &dialogs, QWidget *parent, const QString &title, const QString &text,
                      const std::function<bool()> &save);

// The production implementation with Qt's standard dialogs.
class QtDialogs final : public Dialogs
{
public:
    Answer question(QWidget *parent, const QString &title, const QString &text,
                    Buttons buttons, Icon icon) override;
    std::optional<QString> inputText(QWidget *parent, const QString &title, const QString &prompt,
                                     const QString &proposal) override;
    std::optional<QString> openFile(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &defaultExt, const QString &startAt) override;
    std::optional<QString> saveFile(QWidget *parent, const QString &title, const QString &filter,
                                    const QString &defaultExt, const QString &startAt) override;
    int execDialog(QDialog &dialog) override;
};

} // namespace vt
