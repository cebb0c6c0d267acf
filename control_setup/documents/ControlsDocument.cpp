#include "documents/ControlsDocument.h"

namespace keyvane {

ControlsDocument::ControlsDocument(QObject *parent) : QObject(parent) {}

ControlsDocument::~ControlsDocument() = default;

template<typename Edit>
void ControlsDocument::change(Edit edit)
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
    if (status.ok())
        change([this] { m_saved = m_controls; });
    return status;
}

bool ControlsDocument::setKey(int action, quint8 code)
{
    if (action < 0 || action >= kActionCount || KeyOf(m_controls, action) == code)
        return false;
    change([&] { KeyOf(m_controls, action) = code; });
    Q_EMIT actionKeyChanged(action);
    return true;
}

bool ControlsDocument::setJoyButton(int action, quint8 button)
{
    if (action < 0 || action >= kJoyActionCount || JoyButtonOf(m_controls, action) == button)
        return false;
    change([&] { JoyButtonOf(m_controls, action) = button; });
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

} // namespace keyvane
