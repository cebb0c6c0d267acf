#include "frmProblems.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaforge {

namespace {

enum Column { kSeverity, kWhere, kFile, kMessage, kFix, kColumns };

QString counted(qsizetype n, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

} // namespace

frmProblems::frmProblems(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmProblems"));
    lblProblemsStatus = new QLabel(this);
    lblProblemsStatus->setObjectName(QStringLiteral("lblProblemsStatus"));
    lblProblemsStatus->setText(QStringLiteral("Not checked yet: Check World in the menu lists the problems of the "
                                              "open world."));
    cmdCheckAgain = new QPushButton(QStringLiteral("Check &Again"), this);
    cmdCheckAgain->setObjectName(QStringLiteral("cmdCheckAgain"));

    lstProblems = new QTreeWidget(this);
    lstProblems->setObjectName(QStringLiteral("lstProblems"));
    lstProblems->setColumnCount(kColumns);
    lstProblems->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Where"), QStringLiteral("File"),
                                  QStringLiteral("Problem"), QStringLiteral("Fix")});
    lstProblems->setRootIsDecorated(false);
    lstProblems->setUniformRowHeights(true);
    lstProblems->setAlternatingRowColors(true);
    lstProblems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstProblems->setTextElideMode(Qt::ElideRight);
    QHeaderView *header = lstProblems->header();
    header->setStretchLastSection(true);
    header->resizeSection(kSeverity, 84);
    header->resizeSection(kWhere, 170);
    header->resizeSection(kFile, 120);
    header->resizeSection(kMessage, 420);

    auto *top = new QHBoxLayout;
    top->addWidget(lblProblemsStatus, 1);
    top->addWidget(cmdCheckAgain);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(lstProblems, 1);

    connect(cmdCheckAgain, &QPushButton::clicked, this, &frmProblems::checkRequested);
    // Double click and Enter alike.
    connect(lstProblems, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        const qsizetype i = item ? lstProblems->indexOfTopLevelItem(item) : -1;
        if (i >= 0 && i < qsizetype(m_findings.size()))
            Q_EMIT findingActivated(m_findings[std::size_t(i)]);
    });
}

frmProblems::~frmProblems() = default;

QString frmProblems::statusText(const vtfile::CheckReport &report, const QString &worldName)
{
    const qsizetype problems = report.count(vtfile::Severity::Problem) + report.count(vtfile::Severity::Unreadable);
    const qsizetype warnings = report.count(vtfile::Severity::Warning);
    if (!problems && !warnings)
        return QStringLiteral("No problems found in %1").arg(worldName);
    QStringList parts;
    if (problems)
        parts << counted(problems, QStringLiteral("problem"), QStringLiteral("problems"));
    if (warnings)
        parts << counted(warnings, QStringLiteral("warning"), QStringLiteral("warnings"));
    return QStringLiteral("%1 in %2").arg(parts.join(QStringLiteral(", ")), worldName);
}

QString frmProblems::placeText(const vtfile::Place &p)
{
    QStringList parts;
    if (p.world)
        parts << QStringLiteral("World list line %1").arg(p.world);
    if (p.level)
        parts << QStringLiteral("Level %1 \"%2\"").arg(p.level).arg(p.levelName);
    if (p.cell)
        parts << QStringLiteral("cell (%1, %2)").arg(p.cell->x()).arg(p.cell->y());
    if (p.node)
        parts << QStringLiteral("Map node %1").arg(p.node);
    if (p.enemy)
        parts << QStringLiteral("enemy %1 \"%2\"").arg(p.enemy).arg(p.enemyType);
    return parts.join(QStringLiteral(", "));
}

void frmProblems::showReport(const vtfile::CheckReport &report, const QString &worldName, const QString &worldFolder,
                             const QString &game)
{
    lstProblems->clear();
    m_findings.clear();
    // Problems first, as the command line lists them.
    for (const vtfile::Finding &f : report.findings)
        if (f.severity != vtfile::Severity::Warning)
            m_findings.push_back(f);
    for (const vtfile::Finding &f : report.findings)
        if (f.severity == vtfile::Severity::Warning)
            m_findings.push_back(f);

    // Shorter names: the world's own files by name, the game's from its folder.
    const QDir world(worldFolder), gameDir(game);
    const QString gamePrefix = QDir::cleanPath(gameDir.absolutePath()) + QLatin1Char('/');
    auto shown = [&](const QString &path) {
        for (const QDir *base : {&world, &gameDir}) {
            const QString relative = base->relativeFilePath(path);
            if (!relative.startsWith(QStringLiteral("../")) && relative != QStringLiteral(".."))
                return relative;
        }
        return path;
    };
    const QIcon problemIcon = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warningIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    QList<QTreeWidgetItem *> rows;
    for (const vtfile::Finding &f : m_findings) {
        const bool warning = f.severity == vtfile::Severity::Warning;
        const QString message = QString(f.message).replace(gamePrefix, QString());
        auto *row = new QTreeWidgetItem;
        row->setText(kSeverity, warning ? QStringLiteral("Warning") : QStringLiteral("Problem"));
        row->setIcon(kSeverity, warning ? warningIcon : problemIcon);
        row->setText(kWhere, placeText(f.place));
        row->setText(kFile, shown(f.file));
        row->setText(kMessage, message);
        row->setText(kFix, f.fix);
        row->setToolTip(kFile, f.file);
        row->setToolTip(kMessage, message);
        row->setToolTip(kFix, f.fix);
        rows << row;
    }
    lstProblems->addTopLevelItems(rows);
    // The short columns as wide as what they hold, within reason; the message and the fix
    // share the rest.
    constexpr int kMostWidth = 280;
    for (int column : {kSeverity, kWhere, kFile}) {
        lstProblems->resizeColumnToContents(column);
        lstProblems->setColumnWidth(column, std::min(lstProblems->columnWidth(column), kMostWidth));
    }
    if (!rows.isEmpty())
        lstProblems->setCurrentItem(rows.front());
    lblProblemsStatus->setText(statusText(report, worldName));
}

void frmProblems::clear(const QString &status)
{
    lstProblems->clear();
    m_findings.clear();
    lblProblemsStatus->setText(status);
}

} // namespace tessaforge
