#pragma once

// The first argument of every signal a spy caught, as one type.

#include <QList>
#include <QSignalSpy>

inline QList<bool> flags(const QSignalSpy &spy)
{
    QList<bool> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toBool());
    return out;
}
