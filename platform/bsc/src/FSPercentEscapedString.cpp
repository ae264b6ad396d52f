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
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte)) {
            out.append('%');
            out.append(digits[byte >> 4]);
            out.append(digits[byte & 0xF]);
        } else {
            out.append(c);
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
    return QString::fromUtf8(out);
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
