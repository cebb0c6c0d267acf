#pragma once

#include "Status.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace tessaforge {

// Reads a mod's world list (Worlds.inf): one world folder per line, trimmed of spaces, in
// menu order. A line that is exactly "." ends the list; empty lines are kept as worlds with
// an empty folder name. Lines may end in CR LF, LF or CR.
QStringList parseWorldList(QByteArrayView bytes);
vt::Status ReadWorldList(const QString &path, QStringList &folders);

} // namespace tessaforge
