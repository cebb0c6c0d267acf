#pragma once

// A value that differs between two files, or that two sides of a merge changed differently,
// named the way the format names it: "level 3 "Castle"", "tileset"; "node 4", "x".

#include <QJsonValue>
#include <QString>

namespace vtfile {

// An undefined value is one the file does not have: a level added or removed.
struct FieldChange
{
    QString place;  // empty for a value of the whole file
    QString field;  // empty when the whole place was added or removed
    QJsonValue before, after;
};

struct FieldConflict
{
    QString place;
    QString field;
    QJsonValue base, ours, theirs;
};

// A value for people: texts quoted, [3, 4] as (3, 4), an object's members as "name value".
QString describeValue(const QJsonValue &value);

// "level 3 "Castle", tileset", or "time" for a value of the whole file.
QString placeAndField(const QString &place, const QString &field);

} // namespace vtfile
