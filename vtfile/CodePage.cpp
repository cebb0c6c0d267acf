#include "CodePage.h"

#include "AnsiText.h"

#include <QString>

namespace vtfile {

CodePage::CodePage()
{
    for (qint16 &b : m_byte)
        b = -1;
    for (int b = 0; b < 256; ++b) {
        const char c = char(b);
        const QString s = vt::fromAnsi(QByteArrayView(&c, 1));
        m_character[b] = s.size() == 1 ? s[0].unicode() : u'\ufffd';
        // A byte the decoder cannot name has no character to come back from.
        if (s.size() == 1 && s[0] != QChar::ReplacementCharacter)
            m_byte[s[0].unicode()] = qint16(b);
    }
}

const CodePage &CodePage::instance()
{
    static const CodePage page;
    return page;
}

} // namespace vtfile
