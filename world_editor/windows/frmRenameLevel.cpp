#include "frmRenameLevel.h"

#include "AnsiText.h"

#include "Dialogs.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaforge {

frmRenameLevel::frmRenameLevel(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRenameLevel"));
    setWindowTitle(QStringLiteral("Renaming Level"));
    setModal(true);

    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    cmdRename = new QPushButton(QStringLiteral("Rename"), this);
    cmdRename->setObjectName(QStringLiteral("cmdRename"));
    cmdRename->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtName);
    layout->addWidget(cmdRename);
    setMinimumWidth(260);

    connect(cmdRename, &QPushButton::clicked, this, [this] {
        m_outputName = vt::trimSpaces(txtName->text());
        accept();
    });
}

void frmRenameLevel::SetLevel(vt::Dialogs &dialogs, const QString &sCaption, const QString &sDefault)
{
    m_outputName.clear();
    setWindowTitle(sCaption);
    txtName->setText(sDefault);
    txtName->selectAll();
    dialogs.execDialog(*this);
}

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
