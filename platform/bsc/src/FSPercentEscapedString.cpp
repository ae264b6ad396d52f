#include "Bsc/FSPercentEscapedString.h"

#include <QByteArray>
#include <QTextStream>

namespace Bsc {

namespace {

bool needsEscape(unsigned char byte)
{
    if (byte < 0x20 || byte == 0x7F || byte == ' ')
        return true;
    switch (byte) {
    case '%': case ',': case '(': case ')': case '=': case '[': case ']':
        return true;
    default:
        return false;
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void registerConversions()
{
    QMetaType::registerConverter<FSPercentEscapedString, QString>(
        [](const FSPercentEscapedString& value) { return value.text(); });
    QMetaType::registerConverter<QString, FSPercentEscapedString>(
        [](const QString& text) { return FSPercentEscapedString(text, 0); });
}
Q_CONSTRUCTOR_FUNCTION(registerConversions)

} // namespace

QString percentEscape(const QString& text)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size();) {
        // One character: a surrogate pair counts as one.
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const uint character = length == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const QByteArray utf8 = text.mid(i, length).toUtf8();
        i += length;
        // Spaces beyond ASCII (U+00A0, U+2028, U+3000...) would end a token
        // or be trimmed as readily as ASCII ones.
        const bool escaped = character < 0x80 ? needsEscape(static_cast<unsigned char>(character))
                                              : QChar::isSpace(character);
        if (!escaped) {
            out.append(utf8);
            continue;
        }
        for (const char c : utf8) {
            const auto byte = static_cast<unsigned char>(c);
            out.append('%');
            out.append(digits[byte >> 4]);
            out.append(digits[byte & 0xF]);
        }
    }
    return QString::fromUtf8(out);
}

QString percentUnescape(const QString& escaped)
{
    const QByteArray utf8 = escaped.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (int i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '%' && i + 2 < utf8.size() && hexValue(utf8[i + 1]) >= 0 && hexValue(utf8[i + 2]) >= 0) {
            out.append(char(hexValue(utf8[i + 1]) * 16 + hexValue(utf8[i + 2])));
            i += 2;
        } else {
            out.append(utf8[i]);
        }
    }
    return QString::fromUtf8(out.constData(), out.size()); // a NUL escaped is a character of the text
}

FSPercentEscapedString FSPercentEscapedString::fromEscaped(const QString& escaped, std::int32_t safety)
{
    return FSPercentEscapedString(percentUnescape(escaped), safety);
}

QTextStream& operator<<(QTextStream& stream, const FSPercentEscapedString& value)
{
    return stream << value.escaped();
}

QTextStream& operator>>(QTextStream& stream, FSPercentEscapedString& value)
{
    QString token;
    stream >> token;
    value = FSPercentEscapedString::fromEscaped(token);
    return stream;
}

} // namespace Bsc
