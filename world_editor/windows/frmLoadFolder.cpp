#include "frmLoadFolder.h"

#include "AnsiText.h"
#include "Paths.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaforge {

frmLoadFolder::frmLoadFolder(const QString &modsFolder, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLoadFolder"));
    setWindowTitle(QStringLiteral("Select Mod"));
    setModal(true);

    lstWorldSets = new QListWidget(this);
    lstWorldSets->setObjectName(QStringLiteral("lstWorldSets"));
    for (const vt::FolderEntry &mod : vt::listSubfolderEntries(modsFolder)) {
        auto *item = new QListWidgetItem(mod.name, lstWorldSets);
        item->setData(Qt::UserRole, mod.openable);
    }
    // The first mod is chosen to begin with, so Select or Enter opens it at once.
    lstWorldSets->setCurrentRow(0);

    cmdSelect = new QPushButton(QStringLiteral("Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdSelect->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstWorldSets);
    layout->addWidget(cmdSelect);
    resize(240, 260);

    connect(cmdSelect, &QPushButton::clicked, this, &frmLoadFolder::select);
    connect(lstWorldSets, &QListWidget::itemDoubleClicked, this, &frmLoadFolder::select);
}

void frmLoadFolder::select()
{
    const QListWidgetItem *item = lstWorldSets->currentItem();
    m_loadPath = item && item->isSelected() ? vt::trimSpaces(item->text()) : QString();
    m_loadPathOpenable = item && item->data(Qt::UserRole).toBool();
    accept();
}

} // namespace tessaforge
