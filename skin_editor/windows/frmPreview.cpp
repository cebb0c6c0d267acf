#include "frmPreview.h"

#include "PreviewPicture.h"

#include "ImageFile.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace skinloft {

namespace {

// A name can be 65535 characters long: eliding it would lay out every one of them.
QString shortened(const QString &name)
{
    constexpr qsizetype kKeep = 120;
    return name.size() <= 2 * kKeep ? name : name.left(kKeep) + QChar(0x2026) + name.right(kKeep);
}

} // namespace

frmPreview::frmPreview(QWidget *parent) : QGroupBox(QStringLiteral("Graphic Preview"), parent)
{
    setObjectName(QStringLiteral("frmPreview"));
    picPreview = new PreviewPicture(this);
    lblPreview = new QLabel(this);
    lblPreview->setObjectName(QStringLiteral("lblPreview"));
    lblPreview->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Two lines, as wide as the preview: a long file name is shortened rather than widening
    // the window.
    lblPreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblPreview->setFixedHeight(2 * lblPreview->fontMetrics().lineSpacing() + 4);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(picPreview, 1);
    layout->addWidget(lblPreview);
    connect(picPreview, &PreviewPicture::scaleChanged, this, &frmPreview::describe);
    ShowNoImage();
}

const QImage &frmPreview::picture() const
{
    return picPreview->picture();
}

void frmPreview::ShowImage(const QString &sPath)
{
    // A file that is not a picture (damaged, a pipe, a folder) shows as no picture; the
    // enemy keeps the name all the same.
    const QString name = QFileInfo(sPath).fileName();
    QImage picture;
    if (!vt::readImage(sPath, picture).ok()) {
        ShowNoImage(Absent::Unreadable, name);
        return;
    }
    m_name = name;
    picPreview->setPicture(picture);
    describe();
}

void frmPreview::ShowNoImage(Absent why, const QString &name)
{
    m_absent = why;
    m_name = name;
    picPreview->setPicture(QImage());
    describe();
}

void frmPreview::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    describe();  // the name is shortened to the new width
}

void frmPreview::describe()
{
    const QString name =
        lblPreview->fontMetrics().elidedText(shortened(m_name), Qt::ElideMiddle, lblPreview->width());
    const QImage &shown = picPreview->picture();
    QString second;
    if (!shown.isNull()) {
        const QString scale = picPreview->divisor() > 1
                                  ? QStringLiteral("shown at 1/%1").arg(picPreview->divisor())
                                  : QStringLiteral("shown %1\u00d7").arg(picPreview->times());
        second = QStringLiteral("%1 \u00d7 %2 pixels, %3").arg(shown.width()).arg(shown.height()).arg(scale);
    } else {
        switch (m_absent) {
        case Absent::NotChosen: second = QStringLiteral("No graphic chosen."); break;
        case Absent::NotBeside: second = QStringLiteral("is not beside the program."); break;
        case Absent::Unreadable: second = QStringLiteral("cannot be read as a picture."); break;
        case Absent::Unopenable: second = QStringLiteral("cannot be opened."); break;
        }
    }
    lblPreview->setText(m_name.isEmpty() ? second : QStringLiteral("%1\n%2").arg(name, second));
}

} // namespace skinloft
