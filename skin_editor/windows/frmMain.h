#pragma once

#include <QMainWindow>

namespace skinloft {

class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    explicit frmMain(QString appPath, QWidget *parent = nullptr);

private:
    QString m_appPath;
};

} // namespace skinloft
