#include "documents/ControlsDocument.h"

#include "BinaryReader.h"
#include "BinaryWriter.h"

namespace keyvane {

namespace {

constexpr quint8 kSettingCount = 3;

} // namespace

ControlsDocument::ControlsDocument(QObject *parent) : QObject(parent) {}

ControlsDocument::~ControlsDocument() = default;

template<typename Change>
void ControlsDocument::change(Change edit)
{
    const bool wasModified = isModified();
    edit();
    if (isModified() != wasModified)
        Q_EMIT modifiedChanged(isModified());
}

vt::Status ControlsDocument::load(const QString &path)
{
    vt::Status status = vt::Status::success();
    change([&] {
        status = mInput::LoadControls(m_controls, path);
        m_saved = m_controls;
    });
    if (m_journal)
        m_journal->setOrigin(vt::JournalOrigin::ofFile(path));
    if (m_fileName != path) {
        m_fileName = path;
        Q_EMIT fileNameChanged(m_fileName);
    }
    Q_EMIT documentReplaced();
    return status;
}

vt::Status ControlsDocument::save()
{
    const vt::Status status = mInput::SaveControls(m_controls, m_fileName);
    if (status.ok()) {
        change([this] { m_saved = m_controls; });
        if (m_journal)
            m_journal->setOrigin(vt::JournalOrigin::ofFile(m_fileName));
    }
    return status;
}

bool ControlsDocument::setKey(int action, quint8 code)
{
    if (action < 0 || action >= kActionCount || KeyOf(m_controls, action) == code)
        return false;
    change([&] { KeyOf(m_controls, action) = code; });
    record({Setting::Key, quint8(action), code});
    Q_EMIT actionKeyChanged(action);
    return true;
}

bool ControlsDocument::setJoyButton(int action, quint8 button)
{
    if (action < 0 || action >= kJoyActionCount || JoyButtonOf(m_controls, action) == button)
        return false;
    change([&] { JoyButtonOf(m_controls, action) = button; });
    record({Setting::JoyButton, quint8(action), button});
    Q_EMIT joyButtonChanged(action);
    return true;
}

bool ControlsDocument::setSensitivity(int axis, int threshold)
{
    if (axis < 0 || axis > 1)
        return false;
    qint16 &field = axis == 0 ? m_controls.iSensX : m_controls.iSensY;
    const auto value = qint16(qBound(0, threshold, int(kMaxThreshold)));
    if (field == value)
        return false;
    change([&] { field = value; });
    record({Setting::Sensitivity, quint8(axis), value});
    Q_EMIT sensitivityChanged(axis);
    return true;
}

QList<ControlsDocument::SensitivityClamp> ControlsDocument::clampSensitivities()
{
    QList<SensitivityClamp> clamped;
    for (int axis = 0; axis < 2; ++axis) {
        const qint16 from = axis == 0 ? m_controls.iSensX : m_controls.iSensY;
        if (setSensitivity(axis, from))
            clamped.append({axis, from, axis == 0 ? m_controls.iSensX : m_controls.iSensY});
    }
    return clamped;
}

void ControlsDocument::recordTo(const QString &recoveryFolder)
{
    m_journal = std::make_unique<vt::JournalWriter>(recoveryFolder, QStringLiteral("keyvane"),
                                                    QStringLiteral("controls"));
    connect(m_journal.get(), &vt::JournalWriter::failed, this, &ControlsDocument::journalFailed);
    if (!m_fileName.isEmpty())
        m_journal->setOrigin(vt::JournalOrigin::ofFile(m_fileName));
}

void ControlsDocument::discardJournal()
{
    if (m_journal)
        m_journal->discard();
}

QString ControlsDocument::journalPath() const
{
    return m_journal && m_journal->isOpen() ? m_journal->path() : QString();
}

namespace {

vt::JournalWriter::Payload payloadOf(quint8 setting, quint8 index, qint16 value)
{
    return [setting, index, value] {
        vt::BinaryWriter w;
        w.u8(setting);
        w.u8(index);
        w.i16(value);
        return w.take();
    };
}

} // namespace

void ControlsDocument::record(const Edit &edit)
{
    if (!m_journal)
        return;
    if (!isModified()) {
        m_journal->discard();  // back as saved: nothing to recover
        return;
    }
    if (m_journal->isOpen()) {
        m_journal->append(vt::JournalRecord::Step, payloadOf(quint8(edit.setting), edit.index, edit.value));
        return;
    }
    if (m_journal->isOff())
        return;
    std::vector<vt::JournalWriter::Pending> records;
    for (const Edit &e : differences())
        records.push_back({vt::JournalRecord::Step, payloadOf(quint8(e.setting), e.index, e.value)});
    m_journal->begin(std::move(records));
}

std::vector<ControlsDocument::Edit> ControlsDocument::differences() const
{
    std::vector<Edit> out;
    const ControlConfig &saved = m_saved;
    for (int i = 0; i < kActionCount; ++i)
        if (KeyOf(saved, i) != KeyOf(m_controls, i))
            out.push_back({Setting::Key, quint8(i), KeyOf(m_controls, i)});
    for (int i = 0; i < kJoyActionCount; ++i)
        if (JoyButtonOf(saved, i) != JoyButtonOf(m_controls, i))
            out.push_back({Setting::JoyButton, quint8(i), JoyButtonOf(m_controls, i)});
    if (saved.iSensX != m_controls.iSensX)
        out.push_back({Setting::Sensitivity, 0, m_controls.iSensX});
    if (saved.iSensY != m_controls.iSensY)
        out.push_back({Setting::Sensitivity, 1, m_controls.iSensY});
    return out;
}

qsizetype ControlsDocument::replay(const std::vector<vt::JournalEntry> &records, bool *complete)
{
    qsizetype replayed = 0;
    bool whole = true;
    for (const vt::JournalEntry &entry : records) {
        vt::BinaryReader r(entry.payload);
        const quint8 setting = r.u8();
        const quint8 index = r.u8();
        const qint16 value = r.i16();
        // Only edits are recorded; a value no edit could give is a damaged record.
        const bool byte = value >= 0 && value <= 255;
        const bool readable = entry.type == vt::JournalRecord::Step && r.ok() && r.remaining() == 0
                              && setting < kSettingCount
                              && (Setting(setting) != Setting::Key || (index < kActionCount && byte))
                              && (Setting(setting) != Setting::JoyButton || (index < kJoyActionCount && byte))
                              && (Setting(setting) != Setting::Sensitivity
                                  || (index < 2 && value >= 0 && value <= kMaxThreshold));
        if (!readable) {
            whole = false;
            break;
        }
        switch (Setting(setting)) {
        case Setting::Key: setKey(index, quint8(value)); break;
        case Setting::JoyButton: setJoyButton(index, quint8(value)); break;
        case Setting::Sensitivity: setSensitivity(index, value); break;
        }
        ++replayed;
    }
    if (complete)
        *complete = whole;
    return replayed;
}

} // namespace keyvane
