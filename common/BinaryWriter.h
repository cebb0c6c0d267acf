#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <cstring>

namespace vt {

// Builds a file's bytes in memory, little-endian, so that the file can then be written
// in one atomic step.
class BinaryWriter
{
public:
    BinaryWriter() = default;
    explicit BinaryWriter(qsizetype reserve) { m_bytes.reserve(reserve); }

    void u8(quint8 v) { *room(1) = static_cast<char>(v); }
    void i16(qint16 v) { u16(static_cast<quint16>(v)); }
    void u16(quint16 v)
    {
        char *p = room(2);
        p[0] = static_cast<char>(v & 0xFF);
        p[1] = static_cast<char>(v >> 8);
    }
    void i32(qint32 v)
    {
        const auto u = static_cast<quint32>(v);
        char *p = room(4);
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    void bytes(QByteArrayView v)
    {
        if (!v.isEmpty())
            std::memcpy(room(v.size()), v.data(), static_cast<std::size_t>(v.size()));
    }
    // A record text: 16-bit byte count, then the bytes. False (and nothing written) when
    // the text is longer than the count can say.
    [[nodiscard]] bool text16(QByteArrayView v, qsizetype maxLength = 32767);

    // The bytes written so far.
    const QByteArray &data() const
    {
        m_bytes.resize(m_size);
        return m_bytes;
    }
    QByteArray take()
    {
        m_bytes.resize(m_size);
        m_size = 0;
        m_base = nullptr;
        return std::move(m_bytes);
    }

private:
    // Room for n more bytes, counted as written. The array's size runs ahead of what is
    // written, so that a small write is a store rather than a call into the array.
    char *room(qsizetype n)
    {
        if (!m_base || m_bytes.size() - m_size < n)
            grow(n);
        char *p = m_base + m_size;
        m_size += n;
        return p;
    }
    void grow(qsizetype n);

    mutable QByteArray m_bytes;
    char *m_base = nullptr;
    qsizetype m_size = 0;
};

} // namespace vt
