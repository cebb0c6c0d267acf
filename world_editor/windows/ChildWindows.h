#pragma once

// The palette and the world map editor. The main window already calls the operations they
// offer; their editing surfaces come with their own windows' work.

#include "frmLevelEdit.h"

#include <QWidget>

namespace tessaforge {

class frmMain;

// The palette of tiles, tags and enemies.
class frmLevelTiles final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelTiles)

public:
    explicit frmLevelTiles(frmMain &main, QWidget *parent = nullptr);

    void ResetMe();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    frmMain &m_main;
};

// "World Map Editor": the nodes of one world's map.
class frmMapScreenEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMapScreenEdit)

public:
    explicit frmMapScreenEdit(frmMain &main, QWidget *parent = nullptr);

    void ShowMe(const QString &sWorldPath);
    void KillMe();
    bool SaveChanges();
    void AddNode();
    void KillNode();

    QString worldPath() const { return m_worldPath; }

private:
    frmMain &m_main;
    QString m_worldPath;
};

} // namespace tessaforge
