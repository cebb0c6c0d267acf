#include "BinaryReader.h"

namespace vt {

bool BinaryReader::take(qsizetype n)
{
    if (m_failed || !canRead(n)) {
        m_failed = true;
        return false;
    }
    return true;
}

quint8 BinaryReader::u8()
{
    if (!take(1))
        return 0;
    return static_cast<quint8>(m_data[m_pos++]);
}

quint16 BinaryReader::u16()
{
    if (!take(2))
        return 0;
    const auto lo = static_cast<quint8>(m_data[m_pos]);
    const auto hi = static_cast<quint8>(m_data[m_pos + 1]);
    m_pos += 2;
    return static_cast<quint16>(lo | (hi << 8));
}

qint16 BinaryReader::i16()
{
    return static_cast<qint16>(u16());
}

qint32 BinaryReader::i32()
{
    if (!take(4))
        return 0;
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(m_data[m_pos + i]);
    m_pos += 4;
    return static_cast<qint32>(v);
}

QByteArray BinaryReader::bytes(qsizetype n)
{
    if (!take(n))
        return {};
    QByteArray out(m_data.data() + m_pos, n);
    m_pos += n;
    return out;
}

QByteArray BinaryReader::text16()
{
    const quint16 length = u16();
    return bytes(length);
}

} // namespace vt
