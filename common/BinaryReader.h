#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace vt {

// Bounds-checked little-endian reader over bytes already in memory. A read past the end
// yields zero and marks the reader failed; the failure is sticky, so a parser can read a
// whole record and test ok() once. Counts taken from a file must be checked against
// remaining() before anything is allocated for them.
class BinaryReader
{
public:
    explicit BinaryReader(QByteArrayView data) : m_data(data) {}

    quint8 u8();
    qint16 i16();
    quint16 u16();
    qint32 i32();
    // Takes n raw bytes; fails without allocating when fewer remain.
    QByteArray bytes(qsizetype n);
    // A text as stored in records: unsigned 16-bit byte count, then the bytes.
    QByteArray text16();

    bool ok() const { return !m_failed; }
    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_data.size() - m_pos; }
    bool canRead(qsizetype n) const { return n >= 0 && n <= remaining(); }

private:
    bool take(qsizetype n);

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

} // namespace vt
