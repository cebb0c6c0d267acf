#pragma once

// The area editor and the world map editor. The main window already calls
// the operations they offer; their editing surfaces come with their own windows' work.

#include <QWidget>

namespace tessaforge {

class frmMain;

// "Area Editor": shows and edits one area.
class frmLevelEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelEdit)

public:
    explicit frmLevelEdit(frmMain &main, QWidget *parent = nullptr);

    qint32 lZoom = 32;
    bool bForceShowEnemy = false;
    bool bForceShowTags = false;

    void SetLevel(const QString &sFile);
    void DrawLevel();
    void NewArea();
    bool SaveArea();
    void ZoomIn();
    void ZoomOut();
    void ToggleSideWarp();
    void SetStartPos();
    void ResizeArea();

    QString currentAreaFile() const { return m_sCurAreaFile; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    frmMain &m_main;
    QString m_sCurAreaFile;
};

} // namespace tessaforge
