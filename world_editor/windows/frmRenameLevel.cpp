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

} // namespace tessaforge
