#include "frmFindReplace.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tessaforge {

namespace {

QSpinBox *byteBox(QWidget *parent, const QString &name)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, 255);  // what a cell's byte holds
    box->setAccelerated(true);
    return box;
}

std::optional<TileValue> tileOf(const frmFindReplace::TileRow &r)
{
    if (!r.use->isChecked())
        return std::nullopt;
    if (r.none->isChecked())
        return TileValue::noTile();
    return TileValue::at(quint8(r.column->value()), quint8(r.row->value()));
}

std::optional<quint8> valueOf(const frmFindReplace::ValueRow &r)
{
    return r.use->isChecked() ? std::optional<quint8>(quint8(r.value->value())) : std::nullopt;
}

} // namespace

frmFindReplace::frmFindReplace(Counter counter, bool worldOpen, QWidget *parent)
    : QDialog(parent), m_counter(std::move(counter))
{
    setObjectName(QStringLiteral("frmFindReplace"));
    setWindowTitle(QStringLiteral("Find and Replace"));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *parts = new QHBoxLayout;
    parts->addWidget(partsBox(QStringLiteral("Find cells with"), "Find", findTile, findTag, findEnemy));
    parts->addWidget(partsBox(QStringLiteral("Replace with"), "With", withTile, withTag, withEnemy));
    layout->addLayout(parts);

    chkWholeWorld = new QCheckBox(QStringLiteral("in every area of this world"), this);
    chkWholeWorld->setObjectName(QStringLiteral("chkWholeWorld"));
    chkWholeWorld->setEnabled(worldOpen);
    layout->addWidget(chkWholeWorld);

    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setWordWrap(true);
    layout->addWidget(lblCount);

    lstAreas = new QListWidget(this);
    lstAreas->setObjectName(QStringLiteral("lstAreas"));
    lstAreas->setSelectionMode(QAbstractItemView::NoSelection);
    lstAreas->setMinimumHeight(fontMetrics().height() * 8);
    lstAreas->hide();
    layout->addWidget(lstAreas, 1);

    auto *buttons = new QDialogButtonBox(this);
    cmdReplace = buttons->addButton(QStringLiteral("&Replace"), QDialogButtonBox::AcceptRole);
    cmdReplace->setObjectName(QStringLiteral("cmdReplace"));
    cmdReplace->setDefault(true);
    cmdClose = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    for (QCheckBox *box : {findTile.use, findTile.none, findTag.use, findEnemy.use, withTile.use, withTile.none,
                           withTag.use, withEnemy.use, chkWholeWorld})
        connect(box, &QCheckBox::toggled, this, &frmFindReplace::refresh);
    for (QSpinBox *box : {findTile.column, findTile.row, findTag.value, findEnemy.value, withTile.column, withTile.row,
                          withTag.value, withEnemy.value})
        connect(box, &QSpinBox::valueChanged, this, &frmFindReplace::refresh);
    refresh();
}

QWidget *frmFindReplace::partsBox(const QString &title, const char *prefix, TileRow &tile, ValueRow &tag,
                                  ValueRow &enemy)
{
    const QString p = QLatin1String(prefix);
    auto *box = new QGroupBox(title, this);
    auto *grid = new QGridLayout(box);
    auto check = [&](const QString &caption, const QString &name) {
        auto *c = new QCheckBox(caption, box);
        c->setObjectName(QStringLiteral("chk") + p + name);
        return c;
    };
    tile.use = check(QStringLiteral("Tile"), QStringLiteral("Tile"));
    tile.column = byteBox(box, QStringLiteral("spn") + p + QStringLiteral("Column"));
    tile.row = byteBox(box, QStringLiteral("spn") + p + QStringLiteral("Row"));
    tile.none = check(QStringLiteral("No tile"), QStringLiteral("NoTile"));
    tile.column->setPrefix(QStringLiteral("column "));
    tile.row->setPrefix(QStringLiteral("row "));
    grid->addWidget(tile.use, 0, 0);
    grid->addWidget(tile.column, 0, 1);
    grid->addWidget(tile.row, 0, 2);
    grid->addWidget(tile.none, 1, 1, 1, 2);
    tag.use = check(QStringLiteral("Tag"), QStringLiteral("Tag"));
    tag.value = byteBox(box, QStringLiteral("spn") + p + QStringLiteral("Tag"));
    grid->addWidget(tag.use, 2, 0);
    grid->addWidget(tag.value, 2, 1);
    enemy.use = check(QStringLiteral("Enemy"), QStringLiteral("Enemy"));
    enemy.value = byteBox(box, QStringLiteral("spn") + p + QStringLiteral("Enemy"));
    grid->addWidget(enemy.use, 3, 0);
    grid->addWidget(enemy.value, 3, 1);
    grid->setColumnStretch(3, 1);
    return box;
}

void frmFindReplace::setFind(const CellQuery &query)
{
    findTile.use->setChecked(query.tile.has_value());
    if (query.tile) {
        findTile.none->setChecked(query.tile->none);
        findTile.column->setValue(query.tile->column);
        findTile.row->setValue(query.tile->row);
    }
    findTag.use->setChecked(query.tag.has_value());
    findTag.value->setValue(query.tag.value_or(0));
    findEnemy.use->setChecked(query.enemy.has_value());
    findEnemy.value->setValue(query.enemy.value_or(0));
}

CellReplace frmFindReplace::replace() const
{
    return CellReplace{{tileOf(findTile), valueOf(findTag), valueOf(findEnemy)},
                       {tileOf(withTile), valueOf(withTag), valueOf(withEnemy)}};
}

bool frmFindReplace::wholeWorld() const
{
    return chkWholeWorld->isChecked();
}

void frmFindReplace::refresh()
{
    for (const TileRow *r : {&findTile, &withTile}) {
        r->none->setEnabled(r->use->isChecked());
        r->column->setEnabled(r->use->isChecked() && !r->none->isChecked());
        r->row->setEnabled(r->use->isChecked() && !r->none->isChecked());
    }
    for (const ValueRow *r : {&findTag, &findEnemy, &withTag, &withEnemy})
        r->value->setEnabled(r->use->isChecked());

    const CellReplace r = replace();
    cmdReplace->setEnabled(!r.find.isEmpty() && !r.with.isEmpty());
    lstAreas->setVisible(wholeWorld());
    lstAreas->clear();
    if (r.find.isEmpty()) {
        lblCount->setText(QStringLiteral("Tick what the cells to find hold: a tile, a tag or an enemy."));
        return;
    }
    const Preview preview = m_counter ? m_counter(r, wholeWorld()) : Preview();
    QString text = preview.summary;
    if (r.with.isEmpty())
        text += QStringLiteral(" Tick what they become.");
    lblCount->setText(text);
    lstAreas->addItems(preview.areas);
}

} // namespace tessaforge
