#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace tessaforge {

class AreaBrush;
class AreaPictures;

// The palette: what the left mouse button places in the area editor. The tile palette shows
// the current tileset at its own size; the object palette shows the tag sheet's tag and enemy
// columns at double size. A click stores the choice in the area brush.
class frmLevelTiles final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelTiles)

public:
    static constexpr int kCell = 32;            // a palette cell, in pixels
    static constexpr int kBar = 16;             // thickness of the scroll bars and the top strip
    static constexpr int kInvertSide = 30;      // side of the selection mark
    static constexpr int kInvertLine = 2;       // width of the selection mark's outline
    static constexpr int kOuterWidth = 160;     // the window's size when it is created
    static constexpr int kOuterHeight = 320;

    frmLevelTiles(AreaBrush &brush, const AreaPictures &pictures, QWidget *parent = nullptr);

    // Sets the palette up for the brush's tMode: scrolled to its start, both show
    // flags of the area editor cleared, the selection limited to what the palette offers.
    void ResetMe();
    // Shows a selection made elsewhere (the area editor's pick): the caption and the mark.
    void showSelection();

    // The square the selection mark covers, in client pixels (it may lie outside the
    // visible part when the selection is scrolled away).
    QRect shpInvert() const { return m_shpInvert; }
    // What paintEvent presents.
    const QImage &backImage() const { return m_back; }

    QPushButton *cmdSwitch = nullptr;
    QScrollBar *hscTiles = nullptr;
    QWidget *picTags = nullptr;
    QCheckBox *chkTags[2] = {nullptr, nullptr};  // 0 tags, 1 enemies
    QLabel *Label1 = nullptr;
    QScrollBar *vscTiles = nullptr;
    QLabel *lblSelection = nullptr;  // the selection in words, along the bottom edge

    // What the palette cell (x, y) places, in words: "Tile 3, 0", "Tag 7", "Enemy 9", ...
    QString cellName(qint32 x, qint32 y) const;

Q_SIGNALS:
    void closed();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool objectPalette() const;
    int tilesetColumns() const;
    int tilesetRows() const;
    int largestValue() const;
    QPoint origin() const;

    void layOut();
    void DrawPalette();
    void placeMark();
    void UpdatePaletteCaption();
    void switchPalette();
    void showFlagsChanged();

    const QImage &tilesSource();
    const QImage &doubledTags();

    AreaBrush &m_brush;
    const AreaPictures &m_pictures;
    QImage m_back;
    QRect m_shpInvert;
    bool m_framed = false;

    // Plain-copy sources, prepared once per picture: the tileset as 32-bit pixels and the
    // tag sheet at double size.
    QImage m_tiles;
    qint64 m_tilesKey = 0;
    QImage m_tags2x;
    qint64 m_tagsKey = 0;
};

} // namespace tessaforge
