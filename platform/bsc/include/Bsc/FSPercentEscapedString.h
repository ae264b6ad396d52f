#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>

class QTextStream;

namespace Bsc {

// The text form of a string that must stay one token in a line-based file:
// '%', white space (every Unicode space, line and paragraph separator
// included), control characters and the punctuation of such files (",",
// "(", ")", "=", "[", "]") become %XX escapes of their UTF-8 bytes. Every
// other character, non-ASCII included, is kept as it is.
QString percentEscape(const QString& text);
// The inverse of percentEscape. A '%' that does not start a valid escape is
// kept literally, so hand-edited files never lose characters.
QString percentUnescape(const QString& escaped);

// A file-system path (or a part of one, such as a file prefix) that project
// files store percent-escaped, so that spaces and punctuation survive.
// The path is held as plain text; the escaped form exists only in text streams.
class FSPercentEscapedString
{
public:
    FSPercentEscapedString() = default;
    // `safety` is the caller's escaping level; it travels with the value but
    // is not part of its identity.
    FSPercentEscapedString(const QString& text, std::int32_t safety) : m_text(text), m_safety(safety) {}

    static FSPercentEscapedString fromEscaped(const QString& escaped, std::int32_t safety = 0);

    const QString& text() const { return m_text; }
    std::int32_t safety() const { return m_safety; }
    QString escaped() const { return percentEscape(m_text); }

    // Two values name the same path when their texts are equal, whatever their safety.
    bool operator==(const FSPercentEscapedString& o) const { return m_text == o.m_text; }
    bool operator!=(const FSPercentEscapedString& o) const { return m_text != o.m_text; }

private:
    QString m_text;
    std::int32_t m_safety = 0;
};

// Streams the escaped form; reading takes one white-space separated token
// and unescapes it (safety 0).
QTextStream& operator<<(QTextStream& stream, const FSPercentEscapedString& value);
QTextStream& operator>>(QTextStream& stream, FSPercentEscapedString& value);

} // namespace Bsc

// Variants of the path convert to and from QString (the plain text).
Q_DECLARE_METATYPE(Bsc::FSPercentEscapedString)
