#pragma once

#include "Dialogs.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

// Answers the programs' modal questions from a script and records every one, so that window
// tests run whole user flows without a nested event loop.
class FakeDialogs final : public vt::Dialogs
{
public:
    struct Shown
    {
        QString title;
        QString text;
        Buttons buttons;
        Icon icon;
    };

    // What the next questions answer; a message box (OK only) needs no answer.
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> inputs;
    std::deque<std::optional<QString>> files;
    // Scripts for the programs' own dialogs: each drives the dialog's controls (for example
    // picks a list line and clicks a button). With none queued, the dialog is closed unanswered.
    std::deque<std::function<void(QDialog &)>> dialogScripts;

    std::vector<Shown> shown;
    QStringList dialogTitles;
    QStringList dialogStarts;  // where each file dialog was asked to open, in the same order
    QStringList unexpected;  // questions asked with no answer queued (answered Cancel)

    Answer question(QWidget *, const QString &title, const QString &text, Buttons buttons,
                    Icon icon) override
    {
        shown.push_back({title, text, buttons, icon});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.empty()) {
            unexpected.append(text);
            return Answer::Cancel;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::optional<QString> inputText(QWidget *, const QString &title, const QString &prompt,
                                     const QString &) override
    {
        shown.push_back({title, prompt, Buttons::OkCancel, Icon::None});
        return take(inputs);
    }

    std::optional<QString> openFile(QWidget *, const QString &title, const QString &, const QString &,
                                    const QString &startAt) override
    {
        dialogTitles.append(title);
        dialogStarts.append(startAt);
        return take(files);
    }

    std::optional<QString> saveFile(QWidget *, const QString &title, const QString &, const QString &,
                                    const QString &startAt) override
    {
        dialogTitles.append(title);
        dialogStarts.append(startAt);
        return take(files);
    }

    int execDialog(QDialog &dialog) override
    {
        dialogTitles.append(dialog.windowTitle());
        dialog.setResult(QDialog::Rejected);
        if (!dialogScripts.empty()) {
            auto script = std::move(dialogScripts.front());
            dialogScripts.pop_front();
            script(dialog);
        }
        return dialog.result();
    }

    // The texts of every message and question shown so far.
    QStringList texts() const
    {
        QStringList out;
        for (const Shown &s : shown)
            out.append(s.text);
        return out;
    }

private:
    static std::optional<QString> take(std::deque<std::optional<QString>> &queue)
    {
        std::optional<QString> v;
        if (!queue.empty()) {
            v.swap(queue.front());
            queue.pop_front();
        }
        return v;
    }
};
