#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace vt {

// Texts in the game's files are single bytes in the windows-1252 code page. They are kept
// as bytes in memory and only decoded to show them.
QString fromAnsi(QByteArrayView bytes);

// Encodes typed text for a file. A character the code page lacks becomes '?', and
// *lossless (when given) turns false.
QByteArray toAnsi(QStringView text, bool *lossless = nullptr);

// Leading and trailing spaces removed, and only spaces: a tab or a no-break space (a
// windows-1252 character of its own) is part of a name.
QString trimSpaces(QStringView text);

} // namespace vt
