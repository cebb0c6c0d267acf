#pragma once

#include "FileFormat.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace tessaforge {

// Reads a mod's world list (Worlds.inf): one world folder per line, trimmed of spaces, in
// menu order. A line that is exactly "." ends the list; empty lines are kept as worlds with
// an empty folder name. Lines may end in CR LF, LF or CR.
QStringList parseWorldList(QByteArrayView bytes);
// The same lines as stored, trimmed, before the "." that ends the list: views into bytes,
// for readers that look at each distinct line once (a list may repeat a name a million times).
std::vector<QByteArrayView> worldListLines(QByteArrayView bytes);
vt::Status ReadWorldList(const QString &path, QStringList &folders);

// The world list as text, exactly as it stands, for tools that rewrite it: its lines split at
// the first line ending the file uses (any other kind stays inside the lines).
struct WorldListText
{
    QByteArray ending = "\r\n";
    bool endsWithEnding = false;  // the last line has its ending too
    QList<QByteArray> lines;

    bool operator==(const WorldListText &) const = default;
};

extern const vt::FileFormat kWorldListFormat;

// Never fails: any bytes are a world list.
vt::Status encode(const WorldListText &list, QByteArray &out);
vt::Status decode(QByteArrayView bytes, WorldListText &list);

} // namespace tessaforge
