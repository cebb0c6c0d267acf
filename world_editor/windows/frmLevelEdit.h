#pragma once

#include "area/oLevel.h"
#include "render/AreaRenderer.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

class QPushButton;
class QScrollBar;

namespace tessaforge {

class frmMain;

// One change of the area made by the mouse: the content of cell (X, Y) before and after,
// and, when the start position moves, where it was and where it goes.
struct AreaEdit
{
    qint32 X = 0;
    qint32 Y = 0;
    AreaCell before;
    AreaCell after;
    bool movesStart = false;
    QPoint startBefore;
    QPoint startAfter;
};

// The outline that follows the mouse over the grid, one cell in size.
class AreaCursor final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AreaCursor)

public:
    enum class Shape { Circle, RoundedSquare };
    explicit AreaCursor(QWidget *parent);

    Shape shape() const { return m_shape; }
    void setShape(Shape shape);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Shape m_shape = Shape::Circle;
};

// "Area Editor": shows one area as a grid of squares, scrolls and zooms it, edits it with
// the mouse and carries the commands that act on the area as a whole.
class frmLevelEdit final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelEdit)

public:
    explicit frmLevelEdit(frmMain &main, QWidget *parent = nullptr);

    static constexpr qint32 kBar = 16;  // scroll bar thickness and corner size, in pixels

    qint32 lZoom = 32;
    bool bForceShowEnemy = false;
    bool bForceShowTags = false;

    void SetLevel(const QString &sFile);
    void NewArea();
    bool SaveArea();
    void ResizeArea();
    void ToggleSideWarp();
    void SetStartPos();
    void ZoomIn();
    void ZoomOut();
    void DrawLevel();
    // The whole area at the current zoom with the layers now shown, to a PNG or BMP file.
    void ExportImage();

    // Every change the mouse makes to the area goes through here: the cell (and the start
    // position) take their "after" values, the area is marked changed and the squares
    // concerned are redrawn.
    void applyEdit(const AreaEdit &edit);

    // The cell of the grid that window pixel (x, y) falls in: the nearest whole pixel, a
    // half going to the even one, divided by the zoom and truncated toward zero.
    static QPoint windowCell(QPointF position, qint32 zoom);

    const oLevel &area() const { return oArea; }
    QString currentAreaFile() const { return sCurAreaFile; }
    bool isChanged() const { return bChanged; }
    bool isSetStartMode() const { return bSetStartMode; }
    // What DrawLevel last drew, the window's back image.
    const QImage &backImage() const { return m_back; }
    // The view the back image shows.
    AreaView currentView() const;
    // The path of the area file named sFile in the current world.
    QString areaPath(const QString &sFile) const;

    QScrollBar *hScroll = nullptr;
    QScrollBar *vScroll = nullptr;
    QWidget *picCornerSize = nullptr;
    QPushButton *picCorner = nullptr;
    AreaCursor *shpCursor = nullptr;

    static constexpr QRgb kBackground = qRgb(24, 28, 40);

    // The size the frame first gives the window; it has no layout to suggest one.
    QSize sizeHint() const override { return {620, 480}; }
    QSize minimumSizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // False when the operation is abandoned (Cancel, or Yes with a save that failed).
    bool askToSave();
    bool newArea();
    void areaReplaced();
    void setScrollMaxima();
    void showSideWarp();
    void scrolled();
    void layOut();
    void buttonDown(int button, QPointF position);
    void moveCursorTo(QPointF position);
    void showStatus(QPointF position);
    void showMenu();
    void message(const QString &text);
    // Refuses, with a message, a typed area name that could not be the file's name.
    bool acceptableName(const QString &name);
    void zoomAround(bool in, QPointF position);

    frmMain &m_main;
    oLevel oArea;
    QString sCurAreaFile;
    bool bChanged = false;
    bool bSetStartMode = false;

    AreaRenderer m_renderer;
    QImage m_back;
    AreaView m_drawn;      // the view m_back shows
    bool m_drawnValid = false;
    int m_wheelRest = 0;  // wheel movement short of a whole step
};

} // namespace tessaforge
