// The area editor's Find and Replace: in the open area, or in every area of the world.
#include "frmLevelEdit.h"

#include "frmFindReplace.h"

#include "documents/WorldReplace.h"

#include "Dialogs.h"

namespace tessaforge {

namespace {

const QString kReplaceTitle = QStringLiteral("Find and Replace");
const QString kStepName = QStringLiteral("Find and Replace");

QString cells(qint64 n)
{
    return n == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(n);
}

QString areas(qint64 n)
{
    return n == 1 ? QStringLiteral("1 area") : QStringLiteral("%1 areas").arg(n);
}

// One area's line in the dialog's list and in the confirmation.
QString areaLine(const WorldAreaReplace &a)
{
    const QString name = a.name + kAreaFormat.suffix();
    switch (a.file.state) {
    case AreaFileReplace::State::Missing:
        return QStringLiteral("%1: no file yet").arg(name);
    case AreaFileReplace::State::Refused:
        return QStringLiteral("%1: left as it is (%2)").arg(name, a.file.problem);
    case AreaFileReplace::State::Unreadable:
        return QStringLiteral("%1: cannot be read (%2)").arg(name, a.file.problem);
    case AreaFileReplace::State::Read:
        break;
    }
    QString line = QStringLiteral("%1: %2").arg(name, cells(a.file.count.matched));
    if (a.open)
        line += QStringLiteral(" (the open area)");
    return line;
}

} // namespace

void frmLevelEdit::FindReplace()
{
    if (!m_world.state().bAreaWindowOpen)
        return;
    const frmFindReplace::Counter counter = [this](const CellReplace &r, bool wholeWorld) {
        frmFindReplace::Preview p;
        if (!wholeWorld) {
            const ReplaceCount n = countInArea(oArea, r);
            p.summary = n.matched == 1 ? QStringLiteral("1 cell matches in this area.")
                                       : QStringLiteral("%1 cells match in this area.").arg(n.matched);
            if (!r.with.isEmpty() && n.changed < n.matched)
                p.summary += QStringLiteral(" %1 of them hold the replacement already.").arg(n.matched - n.changed);
            return p;
        }
        const WorldReplace w = countInWorld(m_world, m_document, r);
        p.summary = QStringLiteral("%1 match in %2 of the %3 of this world.")
                        .arg(cells(w.matched()))
                        .arg(w.areasMatching())
                        .arg(areas(qint64(w.areas.size())));
        for (const WorldAreaReplace &a : w.areas)
            p.areas << areaLine(a);
        return p;
    };
    frmFindReplace dialog(counter, m_world.state().worldOpen(), this);
    // The search starts from what the brush holds, in the layer being edited.
    CellQuery start;
    if (m_brush.tMode == AreaLayer::Tiles) {
        if (m_brush.curTileX >= 0 && m_brush.curTileX <= 255 && m_brush.curTileY >= 0 && m_brush.curTileY <= 255)
            start.tile = TileValue::at(quint8(m_brush.curTileX), quint8(m_brush.curTileY));
    } else if (m_brush.curTileY >= 0 && m_brush.curTileY <= 255) {
        (m_brush.tMode == AreaLayer::Tags ? start.tag : start.enemy) = quint8(m_brush.curTileY);
    }
    dialog.setFind(start);
    if (m_dialogs.execDialog(dialog) != QDialog::Accepted)
        return;
    const CellReplace replace = dialog.replace();
    if (replace.find.isEmpty() || replace.with.isEmpty())
        return;
    if (dialog.wholeWorld())
        replaceInWorld(replace);
    else
        replaceInArea(replace);
}

void frmLevelEdit::replaceInArea(const CellReplace &replace)
{
    qint64 matched = 0;
    std::vector<CellChange> changes = replaceChanges(oArea, replace, &matched);
    if (changes.empty()) {
        m_dialogs.message(this, kReplaceTitle,
                          matched == 0 ? QStringLiteral("No cell of the area matches.")
                                       : QStringLiteral("The %1 that match hold the replacement already.").arg(cells(matched)),
                          vt::Dialogs::Icon::Information);
        return;
    }
    const qsizetype n = qsizetype(changes.size());
    m_document.changeCells(std::move(changes), kStepName);
    Q_EMIT statusMessage(QStringLiteral("Replaced %1.").arg(cells(n)));
}

void frmLevelEdit::replaceInWorld(const CellReplace &replace)
{
    const WorldReplace counted = countInWorld(m_world, m_document, replace);
    qint64 changing = 0;
    QStringList lines;
    for (const WorldAreaReplace &a : counted.areas) {
        changing += a.file.count.changed;
        if (a.file.count.matched > 0 || a.file.state == AreaFileReplace::State::Refused
            || a.file.state == AreaFileReplace::State::Unreadable)
            lines << areaLine(a);
    }
    if (changing == 0) {
        m_dialogs.message(this, kReplaceTitle,
                          counted.matched() == 0
                              ? QStringLiteral("No cell of the areas of this world matches.")
                              : QStringLiteral("The %1 that match hold the replacement already.").arg(cells(counted.matched())),
                          vt::Dialogs::Icon::Information);
        return;
    }
    QString text = QStringLiteral("Replace %1 in %2 of this world? The areas are saved at once.\n\n%3")
                       .arg(cells(counted.matched()), areas(counted.areasMatching()), lines.join(u'\n'));
    const WorldAreaReplace *open = counted.openArea();
    if (open && open->file.count.changed > 0) {
        text += QStringLiteral("\n\nThe open area is changed as one step you can undo");
        text += m_document.isModified() ? QStringLiteral(", and saved with its unsaved changes.")
                                        : QStringLiteral(".");
    }
    if (m_dialogs.question(this, kReplaceTitle, text, vt::Dialogs::Buttons::YesNo, vt::Dialogs::Icon::Question)
        != vt::Dialogs::Answer::Yes)
        return;

    const WorldReplace done = tessaforge::replaceInWorld(m_world, m_document, replace, kStepName);
    if (!done.status) {
        message((done.areasWritten() == 0 ? QStringLiteral("Nothing was replaced; every area is as it was.\n")
                                          : QStringLiteral("Not every area could be replaced.\n"))
                + done.status.error());
        return;
    }
    qint64 changed = 0;
    for (const WorldAreaReplace &a : done.areas)
        changed += a.file.written ? a.file.count.changed : 0;
    m_dialogs.message(this, kReplaceTitle,
                      QStringLiteral("Replaced %1 in %2.").arg(cells(changed), areas(done.areasWritten())),
                      vt::Dialogs::Icon::Information);
}

} // namespace tessaforge
