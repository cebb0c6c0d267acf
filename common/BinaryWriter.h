#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace vt {

// Builds a file's bytes in memory, little-endian, so that the file can then be written
// in one atomic step.
class BinaryWriter
{
public:
    BinaryWriter() = default;
    explicit BinaryWriter(qsizetype reserve) { m_bytes.reserve(reserve); }

    void u8(quint8 v) { m_bytes.append(static_cast<char>(v)); }
    void i16(qint16 v) { u16(static_cast<quint16>(v)); }
    void u16(quint16 v)
    {
        m_bytes.append(static_cast<char>(v & 0xFF));
        m_bytes.append(static_cast<char>(v >> 8));
    }
    void i32(qint32 v)
    {
        const auto u = static_cast<quint32>(v);
        for (int i = 0; i < 4; ++i)
            m_bytes.append(static_cast<char>((u >> (8 * i)) & 0xFF));
    }
    void bytes(QByteArrayView v) { m_bytes.append(v); }
    // A record text: 16-bit byte count, then the bytes. False (and nothing written) when
    // the text is longer than the count can say.
    [[nodiscard]] bool text16(QByteArrayView v, qsizetype maxLength = 32767);

    const QByteArray &data() const { return m_bytes; }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

} // namespace vt
