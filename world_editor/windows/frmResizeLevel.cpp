#include "frmResizeLevel.h"

#include "AnsiText.h"

#include "Dialogs.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaforge {

frmResizeLevel::frmResizeLevel(vt::Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmResizeLevel"));
    setWindowTitle(QStringLiteral("Resize Level"));
    setModal(true);

    auto *form = new QFormLayout;
    const char *labels[2] = {"Width:", "Height:"};
    for (int i = 0; i < 2; ++i) {
        txtResize[i] = new QLineEdit(QStringLiteral("00000"), this);
        txtResize[i]->setObjectName(QStringLiteral("txtResize%1").arg(i));
        form->addRow(QString::fromLatin1(labels[i]), txtResize[i]);
    }
    cmdResize = new QPushButton(QStringLiteral("Resize!"), this);
    cmdResize->setObjectName(QStringLiteral("cmdResize"));
    cmdResize->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cmdResize);

    connect(cmdResize, &QPushButton::clicked, this, &frmResizeLevel::resizeClicked);
}

void frmResizeLevel::ShowResize(qint32 lDefaultX, qint32 lDefaultY)
{
    m_doResize = false;
    txtResize[0]->setText(QString::number(lDefaultX));
    txtResize[1]->setText(QString::number(lDefaultY));
    m_dialogs.execDialog(*this);
}

void frmResizeLevel::resizeClicked()
{
    bool okWidth = false;
    bool okHeight = false;
    const qint32 width = txtResize[0]->text().trimmed().toInt(&okWidth);
    const qint32 height = txtResize[1]->text().trimmed().toInt(&okHeight);
    if (!okWidth || !okHeight) {
        // The dialog stays open: a size must be two whole numbers.
        m_dialogs.message(this, QStringLiteral("Resize Level"),
                          QStringLiteral("Width and height must be whole numbers of cells."),
                          vt::Dialogs::Icon::Warning);
        return;
    }
    m_newWidth = width;
    m_newHeight = height;
    m_doResize = true;
    accept();
}

} // namespace tessaforge
