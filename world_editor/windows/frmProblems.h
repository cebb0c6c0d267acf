#pragma once

#include "CheckReport.h"

#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tessaforge {

// "Problems": what a check of the open world found, one row per finding, problems first.
// Activating a row (double click, Enter) asks the frame to show the finding's place.
class frmProblems final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmProblems)

public:
    explicit frmProblems(QWidget *parent = nullptr);
    ~frmProblems() override;

    // The findings of a check of the world called `worldName`: its files are named within
    // `worldFolder`, the others within `game` (the game folder).
    void showReport(const vtfile::CheckReport &report, const QString &worldName, const QString &worldFolder,
                    const QString &game);
    // No findings, and the status line says why (another world was opened).
    void clear(const QString &status);

    // In the order shown.
    const std::vector<vtfile::Finding> &findings() const { return m_findings; }

    // "3 problems, 1 warning in World1", "No problems found in World1".
    static QString statusText(const vtfile::CheckReport &report, const QString &worldName);
    // "Level 2 "Caves", cell (12, 3)", "Map node 4", "World list line 3"; empty for none.
    static QString placeText(const vtfile::Place &place);

    QLabel *lblProblemsStatus = nullptr;
    QPushButton *cmdCheckAgain = nullptr;
    QTreeWidget *lstProblems = nullptr;

    QSize sizeHint() const override { return {900, 180}; }

Q_SIGNALS:
    void findingActivated(const vtfile::Finding &finding);
    void checkRequested();

private:
    std::vector<vtfile::Finding> m_findings;
};

} // namespace tessaforge
