#pragma once

#include "area/AreaReplace.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace tessaforge {

// "Find and Replace": which cells (by tile, tag and enemy), what they become, and where (the
// open area, or every area of the world), with the count of matching cells kept up to date as
// the choices change. The area editor does the replacing once the dialog is accepted.
class frmFindReplace final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFindReplace)

public:
    // What the dialog shows for a search: a line, and in the world a line per area.
    struct Preview
    {
        QString summary;
        QStringList areas;
    };
    using Counter = std::function<Preview(const CellReplace &replace, bool wholeWorld)>;

    // worldOpen: whether "in every area of this world" can be chosen.
    frmFindReplace(Counter counter, bool worldOpen, QWidget *parent = nullptr);

    // Starts the search from these values (the brush's selection).
    void setFind(const CellQuery &query);
    CellReplace replace() const;
    bool wholeWorld() const;

    // The controls of a tile, and of a tag or an enemy, to find or to put.
    struct TileRow
    {
        QCheckBox *use = nullptr;
        QSpinBox *column = nullptr;
        QSpinBox *row = nullptr;
        QCheckBox *none = nullptr;
    };
    struct ValueRow
    {
        QCheckBox *use = nullptr;
        QSpinBox *value = nullptr;
    };
    TileRow findTile, withTile;
    ValueRow findTag, findEnemy, withTag, withEnemy;
    QCheckBox *chkWholeWorld = nullptr;
    QLabel *lblCount = nullptr;
    QListWidget *lstAreas = nullptr;
    QPushButton *cmdReplace = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    QWidget *partsBox(const QString &title, const char *prefix, TileRow &tile, ValueRow &tag, ValueRow &enemy);
    void refresh();

    Counter m_counter;
};

} // namespace tessaforge
