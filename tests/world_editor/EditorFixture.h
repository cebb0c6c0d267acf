#pragma once

// A world editor on a temporary game folder with scripted dialogs, for window tests.

#include "support/FakeDialogs.h"
#include "support/TempGame.h"

#include "windows/frmMain.h"
#include "world/mWorldData.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

namespace tessaforge::testing {

inline const QString kStudio = QStringLiteral("Vantaro Studio");
inline const QString kSaveQuestion = QStringLiteral("Save changes to current world details?");

inline WorldDetails threeLevels()
{
    WorldDetails w;
    mWorldData::NewWorldData(w);
    w.sWorldName = "Green Hills";
    mWorldData::AddLevel(w, "Castle");
    mWorldData::AddLevel(w, "[NEW]");
    w.Levels[0].sTileset = "Grass";
    w.Levels[0].sAreaFile = "Meadow";
    w.Levels[1].sTileset = "Missing";
    w.Levels[1].sEnemySkin = "Night";
    w.Levels[1].sBackdrop = "Sky.gif";
    w.Levels[1].sMusic = "theme";
    return w;
}

// Demo mod: World1 with three levels, and Lava Land whose folder does not exist yet.
inline void makeMod(TempGame &game, const QByteArray &worldsInf = "World1\r\nLava Land\r\n.\r\n")
{
    game.write(QStringLiteral("Mods/Demo/Worlds.inf"), worldsInf);
    QDir().mkpath(game.file(QStringLiteral("Mods/Demo/World1")));
    QVERIFY(mWorldData::SaveWorldData(threeLevels(), game.file(QStringLiteral("Mods/Demo/World1/Worldata.qzw"))).ok());
    game.write(QStringLiteral("Mods/Demo/World1/Meadow.qzl"), QByteArray(16, '\0'));
    game.write(QStringLiteral("Mods/Demo/World1/cave.old.qzl"), QByteArray(16, '\0'));
    game.write(QStringLiteral("Mods/Other/Worlds.inf"), "Only\r\n");
    game.tileset(QStringLiteral("Grass"), 2, 3);
    game.tileset(QStringLiteral("Cave"), 4, 1);
    for (const char *f : {"Data/Enemies/standard.qze", "Data/Enemies/Night.qze", "Data/Backdrops/cave.bmp",
                          "Data/Backdrops/Sky.gif", "Data/Backdrops/notes.txt", "Data/Music/theme.mid",
                          "Data/Music/boss.MID"})
        game.write(QString::fromLatin1(f), "x");
}

inline std::function<void(QDialog &)> chooseMod(const QString &mod)
{
    return [mod](QDialog &dialog) {
        auto *list = dialog.findChild<QListWidget *>(QStringLiteral("lstWorldSets"));
        const auto items = list->findItems(mod, Qt::MatchExactly);
        if (!items.isEmpty())
            list->setCurrentItem(items.first());
        dialog.findChild<QPushButton *>(QStringLiteral("cmdSelect"))->click();
    };
}

inline std::function<void(QDialog &)> typeName(const QString &text)
{
    return [text](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("txtName"))->setText(text);
        dialog.findChild<QPushButton *>(QStringLiteral("cmdRename"))->click();
    };
}

inline QStringList lines(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

inline QStringList captions(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out.append(a->text());
    return out;
}

inline QStringList checked(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        if (a->isChecked())
            out.append(a->text());
    return out;
}

// One editor on a temporary game folder, with scripted dialogs.
struct Editor
{
    TempGame game;
    FakeDialogs dialogs;
    std::unique_ptr<frmMain> w;

    bool start(const QString &mod = QStringLiteral("Demo"), QLockFile *lock = nullptr)
    {
        dialogs.dialogScripts.push_back(chooseMod(mod));
        w = std::make_unique<frmMain>(game.path(), dialogs);
        return w->start(lock);
    }
    EditorState &state() { return w->state(); }
    void trigger(const char *action) { w->findChild<QAction *>(QString::fromLatin1(action))->trigger(); }
    void triggerItem(QMenu *menu, const QString &caption)
    {
        for (QAction *a : menu->actions())
            if (a->text() == caption)
                return a->trigger();
        QFAIL(qPrintable(QStringLiteral("no menu item ") + caption));
    }
    void clickLevel(int row)
    {
        QListWidget *list = w->lstLevels;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    // Closes the main window answering the save question with a.
    bool closeAnswering(FakeDialogs::Answer a)
    {
        dialogs.answers.push_back(a);
        return w->close();
    }
    ~Editor()
    {
        if (w) {
            dialogs.answers.assign(8, FakeDialogs::Answer::No);
            w->close();
        }
    }
};


} // namespace tessaforge::testing
