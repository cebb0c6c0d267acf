#pragma once

#include <QMargins>
#include <QSize>
#include <QWidget>

class QLabel;

namespace skinloft {

// The small tool window under the main window that shows the chosen enemy graphic at its
// own size.
class frmPreview final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPreview)

public:
    explicit frmPreview(QWidget *parent = nullptr);

    // Shows the picture at sPath and fits the window to it; a file that cannot be read as a
    // picture shows as no picture.
    void ShowImage(const QString &sPath);
    // No picture, and the window's empty size.
    void ShowNoImage();
    // Puts the window right below owner (an outer frame rectangle), or above it when the
    // screen has no room below; either way on the screen that shows the owner.
    void placeBelow(const QRect &owner);

    // The outer size aimed at: the picture plus the 6 x 22 pixels of a tool window's frame.
    // Where the window system's real frame differs, the inside makes up the difference, but
    // the picture area keeps exactly the picture's size.
    QSize targetOuterSize() const { return m_picture + QSize(kFrameWidth, kFrameHeight); }

    QLabel *picPreview = nullptr;

    static constexpr int kFrameWidth = 6;
    static constexpr int kFrameHeight = 22;
    static constexpr QSize kEmptySize{85, 49};

    // The frame the window system puts around the window, as it stands now.
    QMargins currentFrame() const;

Q_SIGNALS:
    // The window system framed the window (or changed its frame): its outer size changed.
    void framed();

protected:
    bool event(QEvent *event) override;

private:
    void fitTo(QSize picture);
    void fitWindow();
    // Moves the window back inside the screen it is on, after its picture made it larger.
    void keepOnScreen();

    QSize m_picture = kEmptySize;
    QMargins m_fittedFrame;
};

} // namespace skinloft
