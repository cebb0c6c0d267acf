#include "frmPreview.h"

#include "ImageFile.h"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace skinloft {

frmPreview::frmPreview(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Graphic Preview"));

    picPreview = new QLabel(this);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picPreview->move(0, 0);
    ShowNoImage();
}

void frmPreview::ShowImage(const QString &sPath)
{
    // A file that is not a picture (damaged, a pipe, a folder) shows as no picture; the
    // enemy keeps the name all the same.
    QImage picture;
    if (!vt::readImage(sPath, picture).ok()) {
        ShowNoImage();
        return;
    }
    picPreview->setPixmap(QPixmap::fromImage(picture));
    fitTo(picture.size());
}

void frmPreview::ShowNoImage()
{
    picPreview->clear();
    fitTo(kEmptySize);
}

void frmPreview::fitTo(QSize picture)
{
    m_picture = picture;
    picPreview->setFixedSize(picture);
    fitWindow();
    if (isVisible())
        keepOnScreen();  // a larger picture must not push the window past the screen's edge
}

QMargins frmPreview::currentFrame() const
{
    if (const QWindow *w = windowHandle())
        return w->frameMargins();
    return {};
}

void frmPreview::fitWindow()
{
    // A program cannot choose the frame the window system draws, only the inside: the inside
    // is what is left of the outer size after the real frame, and never less than the picture.
    m_fittedFrame = currentFrame();
    const QSize outer = targetOuterSize();
    const QSize inside(
        std::max(m_picture.width(), outer.width() - m_fittedFrame.left() - m_fittedFrame.right()),
        std::max(m_picture.height(), outer.height() - m_fittedFrame.top() - m_fittedFrame.bottom()));
    setFixedSize(inside);
}

namespace {

QRect availableRoom(const QWidget *on)
{
    const QScreen *screen = on ? on->screen() : nullptr;
    return screen ? screen->availableGeometry() : QRect();
}

// Where a window of outer frame rectangle outer goes, moved as little as it takes into room;
// where it is larger than the room, its top-left corner stays in sight.
QPoint insideRoom(const QRect &outer, const QRect &room)
{
    if (room.isEmpty())
        return outer.topLeft();
    return {std::max(room.left(), std::min(outer.left(), room.right() + 1 - outer.width())),
            std::max(room.top(), std::min(outer.top(), room.bottom() + 1 - outer.height()))};
}

} // namespace

void frmPreview::placeBelow(const QRect &owner)
{
    const QRect room = availableRoom(parentWidget() ? parentWidget() : this);
    const QSize outer = frameGeometry().size();
    QPoint at(owner.left(), owner.bottom() + 1);
    if (!room.isEmpty() && at.y() + outer.height() > room.bottom() + 1 && owner.top() - outer.height() >= room.top())
        at.setY(owner.top() - outer.height());
    // One move: the window system may report the new place only later.
    move(insideRoom(QRect(at, outer), room));
}

void frmPreview::keepOnScreen()
{
    // The screen the window is on: the user may have taken it to another one.
    const QRect outer = frameGeometry();
    if (const QPoint at = insideRoom(outer, availableRoom(this)); at != outer.topLeft())
        move(at);
}

bool frmPreview::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // A window manager adds its frame only after the window is shown, and says so by no
    // event of its own; the first paint after it (the window is exposed in its frame) or a
    // move is the moment to fit again.
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Paint:
    case QEvent::Show:
        if (currentFrame() != m_fittedFrame) {
            fitWindow();
            Q_EMIT framed();
        }
        break;
    default:
        break;
    }
    return handled;
}

} // namespace skinloft
