#include "Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vt {

namespace {

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::None: return QMessageBox::NoIcon;
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Warning: return QMessageBox::Warning;
    case Dialogs::Icon::Critical: return QMessageBox::Critical;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(Dialogs::Buttons buttons)
{
    switch (buttons) {
    case Dialogs::Buttons::Ok: return QMessageBox::Ok;
    case Dialogs::Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Dialogs::Buttons::YesNo:
    case Dialogs::Buttons::RecoverDiscard: return QMessageBox::Yes | QMessageBox::No;
    case Dialogs::Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

std::optional<QString> withDefaultExtension(const QString &path, const QString &defaultExt)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString leaf = path.section(QLatin1Char('/'), -1);
    if (!defaultExt.isEmpty() && !leaf.contains(QLatin1Char('.')))
        return path + QLatin1Char('.') + defaultExt;
    return path;
}

} // namespace

bool askToSaveChanges(Dialogs &dialogs, QWidget *parent, const QString &title, const QString &text,
                      const std::function<bool()> &save)
{
    switch (dialogs.question(parent, title, text, Dialogs::Buttons::YesNoCancel, Dialogs::Icon::None)) {
    case Dialogs::Answer::Yes: return save();
    case Dialogs::Answer::No: return true;
    default: return false;
    }
}

Dialogs::Answer QtDialogs::question(QWidget *parent, const QString &title, const QString &text,
                                    Buttons buttons, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, toQt(buttons), parent);
    if (buttons == Buttons::RecoverDiscard) {
        box.button(QMessageBox::Yes)->setText(QMessageBox::tr("Recover"));
        box.button(QMessageBox::No)->setText(QMessageBox::tr("Discard"));
        box.setDefaultButton(QMessageBox::Yes);
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<QString> QtDialogs::inputText(QWidget *parent, const QString &title,
                                            const QString &prompt, const QString &proposal)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, proposal, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const QString &title,
                                           const QString &filter, const QString &defaultExt,
                                           const QString &startAt)
{
    return withDefaultExtension(QFileDialog::getOpenFileName(parent, title, startAt, filter),
                                defaultExt);
}

std::optional<QString> QtDialogs::saveFile(QWidget *parent, const QString &title,
                                           const QString &filter, const QString &defaultExt,
                                           const QString &startAt)
{
    return withDefaultExtension(QFileDialog::getSaveFileName(parent, title, startAt, filter),
                                defaultExt);
}

int QtDialogs::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

} // namespace vt
