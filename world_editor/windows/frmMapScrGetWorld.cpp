#include "frmMapScrGetWorld.h"

#include "Dialogs.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace tessaforge {

frmMapScrGetWorld::frmMapScrGetWorld(QStringList sWorldFolders, vt::Dialogs &dialogs, QWidget *parent)
    : QDialog(parent), m_worldFolders(std::move(sWorldFolders)), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmMapScrGetWorld"));
    setWindowTitle(QStringLiteral("Select World to Warp To"));
    setModal(true);

    lstWorlds = new QListWidget(this);
    lstWorlds->setObjectName(QStringLiteral("lstWorlds"));
    cmdOk = new QPushButton(QStringLiteral("Select World"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstWorlds);
    layout->addWidget(cmdOk);
    // Wide enough for the window's caption beside the title bar's buttons, which the window
    // manager draws in a bold font.
    QFont caption = font();
    caption.setBold(true);
    resize(std::max(240, QFontMetrics(caption).horizontalAdvance(windowTitle()) + 160), 260);

    connect(cmdOk, &QPushButton::clicked, this, &frmMapScrGetWorld::okClicked);
    connect(lstWorlds, &QListWidget::itemDoubleClicked, this, &frmMapScrGetWorld::okClicked);
}

void frmMapScrGetWorld::ShowMe(qint16 nDefaultWorld)
{
    m_outputWorldNumber = 0;
    lstWorlds->clear();
    lstWorlds->addItems(m_worldFolders);
    // A stored number beyond the list (a world since removed) preselects nothing.
    if (nDefaultWorld >= 1 && nDefaultWorld <= lstWorlds->count())
        lstWorlds->setCurrentRow(nDefaultWorld - 1);
    else
        lstWorlds->setCurrentRow(-1);
    m_dialogs.execDialog(*this);
}

void frmMapScrGetWorld::okClicked()
{
    const QListWidgetItem *item = lstWorlds->currentItem();
    const int row = item && item->isSelected() ? lstWorlds->row(item) : -1;
    // The node stores the number in one byte; a world further down the list cannot be a
    // destination (and the signed result could not even name it).
    m_outputWorldNumber = row >= 0 && row < std::numeric_limits<quint8>::max() ? static_cast<qint16>(row + 1) : 0;
    accept();
}

} // namespace tessaforge
