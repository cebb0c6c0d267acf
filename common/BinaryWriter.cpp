#include "BinaryWriter.h"

#include <algorithm>

namespace vt {

bool BinaryWriter::text16(QByteArrayView v, qsizetype maxLength)
{
    if (v.size() > maxLength || v.size() > 0xFFFF)
        return false;
    u16(static_cast<quint16>(v.size()));
    bytes(v);
    return true;
}

void BinaryWriter::grow(qsizetype n)
{
    // data() may have cut the array back to what is written; its room is still reserved.
    m_bytes.resize(std::max({m_bytes.capacity(), 2 * m_bytes.size(), m_size + n, qsizetype(64)}));
    m_base = m_bytes.data();
}

} // namespace vt
