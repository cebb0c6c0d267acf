#pragma once

#include "documents/SkinDocument.h"

#include <QMainWindow>

class QAction;
class QGroupBox;
class QListWidget;
class QMenu;

namespace vt {
class Dialogs;
struct FoundJournal;
}

namespace skinloft {

class frmPreview;

// The enemy skin editor: pick an enemy type on the left, its graphic from the pictures beside
// the program in the middle; the preview on the right shows the picked picture. The window owns
// the skin's document and shows what it holds.
class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    frmMain(QString appPath, vt::Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmMain() override;

    // Shows the window, lists the pictures and selects the first enemy.
    void start();
    // Records the unsaved changes from now on in the game folder's recovery folder, and once
    // the window is up offers what an earlier run left there.
    void startRecovery();
    // Offers the journals an earlier run left: one of them recovered at most, into its file
    // or, for a skin never saved, into the new one.
    void offerRecovery();

    SkinDocument &document() { return m_document; }
    const SkinDocument &document() const { return m_document; }
    frmPreview *preview() const { return m_preview; }

    // The index of the file list entry that matches name ignoring letter case and surrounding
    // spaces, or -1; an empty name matches nothing.
    qint32 FindGraphic(const QString &name) const;

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

private:
    void FillEnemyList();
    void FillFileList();
    // Stores name, spaces trimmed, as the selected enemy's graphic: the one place the skin is
    // edited. False, with the reason shown, when the skin file could not hold the name.
    bool SetGraphic(const QString &name);
    // The document changed an enemy's graphic: by the lists, or by an undo or a redo.
    void graphicChanged(qint32 enemy);
    void enemySelected(qint32 index);
    void fileSelected(qint32 index);
    // Selects the file list entry and runs its handler even when the entry was already
    // selected, so that preview and stored spelling always follow the enemy.
    void selectFile(qint32 index);
    // The preview shows no picture, and says which the selected enemy names, if any.
    void showNoGraphic();
    // A skin was read: the names beside the enemies and the selected one's graphic follow.
    void skinReplaced();

    // False when nothing was written (cancelled or failed).
    bool mnuSave_Click();
    void mnuLoad_Click();
    // Asks about unsaved changes; true when the caller may go on.
    bool askToSave();
    // Reads a skin file; false when it gave nothing (and the user was told).
    bool openSkin(const QString &path);
    // Offers the journals of the file just opened.
    void offerRecoveryOf(const QString &path);
    void recover(const vt::FoundJournal &journal);
    void recoveryOff(const QString &why);
    // The skin file the caption names: the last one saved or loaded.
    void showSkinFile(const QString &path);
    // Where the file dialogs open until a skin is saved or loaded: the game's shared skins.
    QString skinsFolder() const;
    void showGraphicNames();

    QString m_appPath;
    vt::Dialogs &m_dialogs;
    SkinDocument m_document;
    frmPreview *m_preview = nullptr;
    QSize m_fileListLeast;  // the file list's smallest size
    bool m_storing = false;    // the lists are storing what they show
    bool m_following = false;  // the lists follow an undo: they store nothing
    bool m_recording = false;
    bool m_toldRecoveryOff = false;
};

} // namespace skinloft
