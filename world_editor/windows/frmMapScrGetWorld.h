#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace vt {
class Dialogs;
}

namespace tessaforge {

// "Select World to Warp To": picks the destination world of a warp node from the mod's
// world list. Worlds are numbered from 1; 0 means none.
class frmMapScrGetWorld final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMapScrGetWorld)

public:
    frmMapScrGetWorld(QStringList sWorldFolders, vt::Dialogs &dialogs, QWidget *parent = nullptr);

    // Fills the list, preselects world nDefaultWorld (0 preselects nothing) and runs the
    // dialog modally; afterwards OutputWorldNumber() tells the choice.
    void ShowMe(qint16 nDefaultWorld);
    // The world chosen with "Select World", or 0 when the dialog was closed otherwise or
    // nothing was chosen.
    qint16 OutputWorldNumber() const { return m_outputWorldNumber; }

    QListWidget *lstWorlds = nullptr;
    QPushButton *cmdOk = nullptr;

private:
    void okClicked();

    QStringList m_worldFolders;
    vt::Dialogs &m_dialogs;
    qint16 m_outputWorldNumber = 0;
};

} // namespace tessaforge
