#pragma once

#include "skin_editor/windows/frmMain.h"
#include "skin_editor/windows/PreviewPicture.h"
#include "skin_editor/windows/frmPreview.h"

#include "GifWriter.h"
#include "support/FakeDialogs.h"
#include "support/TempGame.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QWindow>

#include <memory>

namespace skinloft::testing {

// Records the filter and default extension of every file dialog, then lets the fake answer.
class RecordingDialogs final : public vt::Dialogs
{
public:
    FakeDialogs fake;
    QStringList filters;
    QStringList extensions;

    Answer question(QWidget *p, const QString &title, const QString &text, Buttons b, Icon i) override
    {
        return fake.question(p, title, text, b, i);
    }
    std::optional<QString> inputText(QWidget *p, const QString &title, const QString &prompt,
                                     const QString &proposal) override
    {
        return fake.inputText(p, title, prompt, proposal);
    }
    std::optional<QString> openFile(QWidget *p, const QString &title, const QString &filter,
                                    const QString &ext, const QString &startAt) override
    {
        filters.append(filter);
        extensions.append(ext);
        return fake.openFile(p, title, filter, ext, startAt);
    }
    std::optional<QString> saveFile(QWidget *p, const QString &title, const QString &filter,
                                    const QString &ext, const QString &startAt) override
    {
        filters.append(filter);
        extensions.append(ext);
        return fake.saveFile(p, title, filter, ext, startAt);
    }
    int execDialog(QDialog &dialog) override { return fake.execDialog(dialog); }
};

// A game folder with pictures beside the program, and the editor started on it.
struct Skinloft
{
    TempGame game;
    RecordingDialogs dialogs;
    std::unique_ptr<frmMain> w;

    void picture(const QString &name, int width, int height, const char *format = "BMP") const
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(qRgb(200, 40, 160));
        if (qstrcmp(format, "GIF") == 0)  // Qt reads GIF but does not write it
            game.write(name, demo::encodeGif(demo::toIndexed(image)));
        else
            QVERIFY(image.save(game.file(name), format));
    }

    void start()
    {
        w = std::make_unique<frmMain>(game.path(), dialogs);
        w->start();
    }

    qint32 fileRow(const QString &name) const
    {
        const auto found = w->lstFiles->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? -1 : w->lstFiles->row(found.first());
    }

    // Clicks a list entry as the user does.
    static void click(QListWidget *list, qint32 row)
    {
        QListWidgetItem *item = list->item(row);
        QVERIFY(item);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    }

    // What the user sees picked: the selected entry, not merely the current one.
    static qint32 selectedRow(const QListWidget *list)
    {
        const QList<QListWidgetItem *> items = list->selectedItems();
        return items.isEmpty() ? -1 : list->row(items.first());
    }
    qint32 selectedEnemy() const { return selectedRow(w->lstEnemies); }
    qint32 selectedFileRow() const { return selectedRow(w->lstFiles); }
    QString selectedFile() const
    {
        const qint32 row = selectedFileRow();
        return row < 0 ? QString() : w->lstFiles->item(row)->text();
    }

    void chooseFile(const QString &name) { click(w->lstFiles, fileRow(name)); }

    frmPreview &preview() const { return *w->preview(); }
    // The picture the preview shows, at its own size; empty when it shows none.
    QSize pictureShown() const
    {
        const QImage &p = preview().picture();
        return p.isNull() ? QSize() : p.size();
    }
    // The title as the window system shows it: windowTitle() keeps the change mark's "[*]".
    QString shownTitle() const { return w->windowHandle() ? w->windowHandle()->title() : QString(); }

    QByteArray field(int i) const { return w->document().CurrentSkin().Fields[i]; }
    QString sideText(int i) const { return w->lstEnemies->item(i)->data(frmMain::kGraphicRole).toString(); }

    // Runs the Load menu on a file of the game folder.
    void load(const QString &name)
    {
        dialogs.fake.files.push_back(game.file(name));
        w->mnuLoad->trigger();
    }
    void save(const QString &name)
    {
        dialogs.fake.files.push_back(game.file(name));
        w->mnuSave->trigger();
    }
};

} // namespace skinloft::testing
