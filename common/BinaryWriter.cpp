#include "BinaryWriter.h"

namespace vt {

bool BinaryWriter::text16(QByteArrayView v, qsizetype maxLength)
{
    if (v.size() > maxLength || v.size() > 0xFFFF)
        return false;
    u16(static_cast<quint16>(v.size()));
    bytes(v);
    return true;
}

} // namespace vt
