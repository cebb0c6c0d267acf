#pragma once

#include <QString>

namespace vt {

// The outcome of a file operation: success, or failure with a message for the user.
class [[nodiscard]] Status
{
public:
    static Status success() { return Status(); }
    static Status failure(QString message) { return Status(std::move(message)); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString &error() const { return m_error; }

private:
    Status() = default;
    explicit Status(QString message) : m_ok(false), m_error(std::move(message)) {}

    bool m_ok = true;
    QString m_error;
};

} // namespace vt
