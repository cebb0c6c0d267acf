#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace tessaforge {

// "Select Mod": lists the subfolders of the Mods folder; LoadPath is the chosen one.
class frmLoadFolder final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLoadFolder)

public:
    frmLoadFolder(const QString &modsFolder, QWidget *parent = nullptr);

    // The chosen mod folder name; empty when the dialog was closed without a choice.
    QString LoadPath() const { return m_loadPath; }
    // False for a folder whose name is not UTF-8: LoadPath is then only its windows-1252
    // reading, which does not lead to the folder.
    bool LoadPathOpenable() const { return m_loadPathOpenable; }

    QListWidget *lstWorldSets = nullptr;
    QPushButton *cmdSelect = nullptr;

private:
    void select();

    QString m_loadPath;
    bool m_loadPathOpenable = false;
};

} // namespace tessaforge
