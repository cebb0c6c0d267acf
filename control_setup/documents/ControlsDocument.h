#pragma once

#include "input/Actions.h"
#include "input/mInput.h"

#include "Journal.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace keyvane {

// The controls file being edited: its record, where it lives and whether the record differs
// from what the file held when it was loaded or last saved. Both windows edit through it and
// redraw from its signals. There is no undo: a key set back to what it was is no change.
class ControlsDocument final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ControlsDocument)

public:
    // The bars show thresholds from 0 (the most sensitive) to the stick's full deflection.
    static constexpr qint16 kMaxThreshold = 5000;

    explicit ControlsDocument(QObject *parent = nullptr);
    ~ControlsDocument() override;

    const ControlConfig &gControls() const { return m_controls; }
    const QString &fileName() const { return m_fileName; }
    bool isModified() const { return !(m_controls == m_saved); }

    // Reads the file. A missing or unreadable one gives the defaults (and its error, which the
    // program does not show: a first start has no file); either way the record counts as
    // saved, since closing without saving leaves the file as it is.
    vt::Status load(const QString &path);
    // Writes the record to the file it was loaded from. On failure the record stays unsaved.
    vt::Status save();

    // The edits. Each is false when it changes nothing (out of range, or already so).
    bool setKey(int action, quint8 code);
    bool setJoyButton(int action, quint8 button);    // action 0 .. 5
    bool setSensitivity(int axis, int threshold);  // axis 0 X, 1 Y; brought into 0 .. kMaxThreshold

    struct SensitivityClamp
    {
        int axis;
        qint16 from, to;
    };
    // Brings thresholds the file gave outside 0 .. kMaxThreshold into that range: the change
    // is then one the user sees and saves knowingly. Says what was brought in.
    QList<SensitivityClamp> clampSensitivities();

    // Keeps a crash journal of the unsaved changes in the recovery folder from now on: each
    // edit is a record, and the journal goes when the record is saved or back as saved.
    void recordTo(const QString &recoveryFolder);
    // The journal being written; empty when there is none.
    QString journalPath() const;
    // The unsaved changes are given up (the window closes without saving): their journal goes.
    void discardJournal();
    // Makes a journal's edits again, through the edits above. The edits replayed; complete
    // is false when a record could not be read (the rest are left out).
    qsizetype replay(const std::vector<vt::JournalEntry> &records, bool *complete = nullptr);

Q_SIGNALS:
    void actionKeyChanged(int action);
    void joyButtonChanged(int action);
    void sensitivityChanged(int axis);
    // The whole record was read from a file.
    void documentReplaced();
    void fileNameChanged(const QString &fileName);
    void modifiedChanged(bool modified);
    // The journal cannot be written: the unsaved changes are not recorded from now on.
    void journalFailed(const QString &why);

private:
    // Which setting an edit gave which value: what the journal records.
    enum class Setting : quint8 { Key = 0, JoyButton = 1, Sensitivity = 2 };
    struct Edit
    {
        Setting setting;
        quint8 index;
        qint16 value;
    };

    // Runs an edit of the record and tells whether it became modified or saved.
    template<typename Change>
    void change(Change edit);
    void record(const Edit &edit);
    // The edits that lead from the saved record to this one.
    std::vector<Edit> differences() const;

    ControlConfig m_controls;  // holds the defaults until a file is loaded
    ControlConfig m_saved;     // as loaded or last saved
    QString m_fileName;
    std::unique_ptr<vt::JournalWriter> m_journal;
};

} // namespace keyvane
