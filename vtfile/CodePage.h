#pragma once

#include <QtGlobal>

namespace vtfile {

// windows-1252 both ways, exactly as vt::fromAnsi and vt::toAnsi convert, as tables: the JSON
// reader and writer convert every text of a file, and a decoder per text would cost more
// than the rest of the conversion.
class CodePage
{
public:
    static const CodePage &instance();

    char16_t character(uchar byte) const { return m_character[byte]; }
    // The byte that stands for the character; -1 when the code page lacks it.
    int byte(char32_t c) const { return c < 0x10000 ? m_byte[c] : -1; }

private:
    CodePage();

    char16_t m_character[256];
    qint16 m_byte[0x10000];
};

} // namespace vtfile
