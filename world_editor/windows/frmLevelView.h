#pragma once

#include "world/LevelField.h"

#include <QWidget>

#include <functional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace tessaforge {

class WorldDocument;
struct LevelRecord;

// "Editing Level #n": the details of one level that are not part of its area. The controls
// are filled from the level's record when a level is shown and stored back when the user
// moves to another level, saves, or closes the window.
class frmLevelView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLevelView)

public:
    static constexpr int kPipeRows = 16;
    static constexpr int kScrollModes = 5;
    static constexpr int kExitStyles = 5;

    // Shows and stores the levels of `world`'s details; what it stores goes out as fieldEdited.
    explicit frmLevelView(WorldDocument &world, QWidget *parent = nullptr);

    void SetLevel(qint32 lLevel);
    qint32 getCurrentLevel() const { return m_shownLevel; }
    // Stores the controls into the shown level's record. A text that is not a whole number
    // in its field's range leaves that field as it was.
    void UpdateLevelInfo();
    // After levels were removed: when the shown level is gone, the caption says so and the
    // controls are disabled until another level is shown.
    void checkShownLevel();
    // After an undo brought a removed level back: the window shows it again if it showed it.
    void levelBack();
    // After an undo step changed a stored field: its control shows it, when the window shows
    // that level. The other controls keep what the user typed.
    void showStoredField(qint32 level, LevelField field);
    // Its frame became the active window: the level list and the area editor follow it.
    void activated();

Q_SIGNALS:
    // The user stored a field of a level (the frame makes it a step of the world).
    void fieldEdited(qint32 level, LevelField field, const LevelFieldValue &value);
    // The window wants its level selected in the level list.
    void levelSelected(qint32 level);
    // An area file was chosen for the shown level (the area editor opens it).
    void areaChosen(const QString &name);
    void closed();

public:
    QComboBox *cmbFileList = nullptr;
    QLineEdit *txtLevTime = nullptr;
    QLineEdit *txtDefTile[6] = {};
    QRadioButton *optScroll[kScrollModes] = {};
    QLineEdit *txtScrollSpeed = nullptr;
    QLineEdit *txtPipeLevel[kPipeRows] = {};
    QComboBox *cmbPipeID[kPipeRows] = {};
    QComboBox *cmbPipeDir[kPipeRows] = {};

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // The stored value of a field of the shown level, as a box shows it.
    std::function<QString()> storedText(LevelField field);
    void ShowLevelInfo();
    void showField(LevelField field);
    void FillAreaList();
    void areaPicked(int index);
    // Already the active window, it has the user back: the level list shows its level again.
    void broughtBack();
    LevelRecord *shownRecord();
    void setControlsEnabled(bool enabled);

    WorldDocument &m_world;
    qint32 m_shownLevel = 0;
    bool m_levelGone = false;  // the shown level was removed
    QButtonGroup *m_scrollGroup = nullptr;
    QWidget *m_watchedFrame = nullptr;  // the frame whose title bar a click may bring it forward by
};

} // namespace tessaforge
