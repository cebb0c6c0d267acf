#pragma once

#include <QGroupBox>
#include <QImage>
#include <QString>

class QLabel;

namespace skinloft {

class PreviewPicture;

// The preview of the chosen enemy graphic, in the main window beside the lists: the picture
// enlarged by whole factors to a size that reads well, on a neutral grey, with two lines under
// it saying what is shown, or why nothing is.
class frmPreview final : public QGroupBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmPreview)

public:
    // Why no picture is shown.
    enum class Absent { NotChosen, NotBeside, Unreadable, Unopenable };

    explicit frmPreview(QWidget *parent = nullptr);

    // Shows the picture file at sPath; a file that cannot be read as a picture shows as no
    // picture, and the lines under it say so.
    void ShowImage(const QString &sPath);
    // No picture; name is the graphic that cannot be shown, where there is one.
    void ShowNoImage(Absent why = Absent::NotChosen, const QString &name = QString());

    // The picture shown at its own size; null when none is.
    const QImage &picture() const;

    PreviewPicture *picPreview = nullptr;
    QLabel *lblPreview = nullptr;  // what is shown, its size and its scale

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void describe();

    QString m_name;  // the graphic shown, or the one that cannot be
    Absent m_absent = Absent::NotChosen;
};

} // namespace skinloft
