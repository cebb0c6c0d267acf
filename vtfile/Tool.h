#pragma once

#include <QStringList>

class QTextStream;

namespace vtfile {

// The whole command line after the program name; returns the exit status: 0 all well,
// 1 a problem found (or a usage error), 2 a file could not be read at all.
int run(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace vtfile
