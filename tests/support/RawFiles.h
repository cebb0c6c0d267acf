#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// Plain byte access to files, beside the code under test, for setting up and checking them.

inline void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readRaw(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
