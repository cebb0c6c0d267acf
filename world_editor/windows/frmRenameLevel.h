#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vt {
class Dialogs;
}

namespace tessaforge {

// Asks for a name; used to rename a level and the world.
class frmRenameLevel final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRenameLevel)

public:
    explicit frmRenameLevel(QWidget *parent = nullptr);

    // Shows the dialog modally with the caption and the proposed text; afterwards
    // OutputName() holds the accepted name, trimmed, or the empty text for no change.
    void SetLevel(vt::Dialogs &dialogs, const QString &sCaption, const QString &sDefault);
    QString OutputName() const { return m_outputName; }

    QLineEdit *txtName = nullptr;
    QPushButton *cmdRename = nullptr;

private:
    QString m_outputName;
};

} // namespace tessaforge
