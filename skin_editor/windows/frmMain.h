#pragma once

#include "skin/mEnemySkinFile.h"

#include <QMainWindow>
#include <QMargins>

class QAction;
class QGroupBox;
class QListWidget;
class QMenu;
class QUndoStack;

namespace vt {
class Dialogs;
}

namespace skinloft {

class frmPreview;

// The enemy skin editor: pick an enemy type on the left, its graphic from the pictures beside
// the program on the right; the preview window below shows the picked picture.
class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmMain() override;

    // Shows both windows, the preview directly below this one, lists the pictures and
    // selects the first enemy.
    void start();

    const EnemySkin &CurrentSkin() const { return m_skin; }
    frmPreview *preview() const { return m_preview; }

    // The index of the file list entry that matches name ignoring letter case and surrounding
    // spaces, or -1; an empty name matches nothing.
    qint32 FindGraphic(const QString &name) const;

    // The graphic choices since the skin was loaded (or the program started).
    QUndoStack *undoStack() const { return m_undo; }
    // The skin differs from what was last loaded from or saved to a file (or, before either,
    // from the empty skin of the start).
    bool isModified() const { return !(m_skin == m_saved); }
    // Run by the undo steps: gives the enemy its stored graphic name and selects the enemy,
    // so that the file list and the preview show it.
    void restoreGraphic(qint32 enemy, const QByteArray &stored);

    // The enemy list keeps each enemy's graphic name under this role, shown beside the name.
    static constexpr int kGraphicRole = Qt::UserRole + 1;
    // The file list marks the files whose names are not UTF-8 (false): shown, never opened.
    static constexpr int kOpenableRole = Qt::UserRole + 2;

    QGroupBox *Frame[2] = {nullptr, nullptr};  // 0 "Enemy", 1 "Graphic"
    QListWidget *lstEnemies = nullptr;
    QListWidget *lstFiles = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuLoad = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuRedo = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void FillEnemyList();
    void FillFileList();
    // Stores name, spaces trimmed, as the selected enemy's graphic: the one place the skin is
    // edited. False, with the reason shown, when the skin file could not hold the name.
    bool SetGraphic(const QString &name);
    void enemySelected(qint32 index);
    void fileSelected(qint32 index);
    // Selects the file list entry and runs its handler even when the entry was already
    // selected, so that preview and stored spelling always follow the enemy.
    void selectFile(qint32 index);
    void placePreview();
    void placePreviewWhenFramed();

    // False when nothing was written (cancelled or failed).
    bool mnuSave_Click();
    void mnuLoad_Click();
    // Asks about unsaved changes; true when the caller may go on.
    bool askToSave();
    // The skin file the caption names: the last one saved or loaded.
    void setSkinFile(const QString &path);
    void showGraphicNames();

    QString m_appPath;
    vt::Dialogs &m_dialogs;
    EnemySkin m_skin;
    EnemySkin m_saved;  // as last loaded or saved
    frmPreview *m_preview = nullptr;
    bool m_started = false;
    QMargins m_placedWithFrame;         // the frames of the main window and of the preview
    QMargins m_previewPlacedWithFrame;  // when the preview was last placed
    QUndoStack *m_undo = nullptr;
    bool m_restoring = false;  // the lists follow an undo: they store nothing
};

} // namespace skinloft
