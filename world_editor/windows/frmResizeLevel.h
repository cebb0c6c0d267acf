#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vt {
class Dialogs;
}

namespace tessaforge {

// Asks for an area size in cells.
class frmResizeLevel final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmResizeLevel)

public:
    frmResizeLevel(vt::Dialogs &dialogs, QWidget *parent = nullptr);

    // Shows the dialog modally with the two numbers; afterwards DoResize() tells whether the
    // user confirmed, and NewWidth()/NewHeight() hold the numbers entered.
    void ShowResize(qint32 lDefaultX, qint32 lDefaultY);
    bool DoResize() const { return m_doResize; }
    qint32 NewWidth() const { return m_newWidth; }
    qint32 NewHeight() const { return m_newHeight; }

    QLineEdit *txtResize[2] = {nullptr, nullptr};
    QPushButton *cmdResize = nullptr;

private:
    void resizeClicked();

    vt::Dialogs &m_dialogs;
    bool m_doResize = false;
    qint32 m_newWidth = 0;
    qint32 m_newHeight = 0;
};

} // namespace tessaforge
