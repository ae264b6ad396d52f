#pragma once

// How the parameter template reads, writes, converts and hashes the values
// of each value type. Everything type-specific lives here, so the template
// itself has one code path for every type.

#include <Prm/ParameterStrings.h>

#include <Bsc/FSPercentEscapedString.h>
#include <Bsc/Hash.h>

#include <QMetaObject>
#include <QMetaType>
#include <QString>
#include <QTextStream>
#include <QVariant>

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace Prm {
namespace detail {

// ---- text of values, as the text form of parameters writes them ----

// Numbers and other streamable types go through QTextStream, which reads
// one token and leaves 0 when the text is not a number.
template <typename T>
QString writeToken(const T& value)
{
    QString text;
    QTextStream stream(&text);
    stream << value;
    stream.flush();
    return text;
}

template <typename T>
void readToken(const QString& text, T& value)
{
    QString copy = text;
    QTextStream stream(&copy, QIODevice::ReadOnly);
    stream >> value;
}

template <typename T, typename Enable = void>
struct ValueText
{
    static QString write(const T& value) { return writeToken(value); }
    static void read(const QString& text, T& value) { readToken(text, value); }
};

// Reals are written in the shortest form that reads back exactly.
template <typename T>
struct ValueText<T, std::enable_if_t<std::is_floating_point<T>::value>>
{
    static QString write(const T& value) { return formatNumber(double(value)); }
    static void read(const QString& text, T& value)
    {
        double number = 0.0;
        readToken(text, number);
        value = T(number);
    }
};

template <>
struct ValueText<bool>
{
    static QString write(const bool& value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }
    static void read(const QString& text, bool& value)
    {
        int number = 0;
        readToken(text, number);
        value = number != 0;
    }
};

// The enumerators of an enumeration that parameters hold, which run from
// `first` to `last` without gaps. Each such enumeration declares them beside
// its parameter's instantiation: a number outside them is no value of it.
template <typename T>
struct Enumerators;

template <typename T>
bool isEnumerator(long long number)
{
    return number >= Enumerators<T>::first && number <= Enumerators<T>::last;
}

// Enumerations are written as their number. A number that names no
// enumerator is no value of the parameter: reading it throws, so that the
// text holding it is refused rather than read as another value.
template <typename T>
struct ValueText<T, std::enable_if_t<std::is_enum<T>::value>>
{
    static QString write(const T& value) { return QString::number(static_cast<int>(value)); }
    static void read(const QString& text, T& value)
    {
        bool ok = false;
        const int number = text.trimmed().toInt(&ok);
        if (!ok || !isEnumerator<T>(number))
            throw std::runtime_error(QStringLiteral("'%1' names no enumerator").arg(text).toStdString());
        value = static_cast<T>(number);
    }
};

// The escaped text of a line, without the ASCII white space that line ends
// and hand edits add. Other spaces are the text's own: files written before
// they were escaped keep them.
inline QString escapedToken(const QString& text)
{
    int first = 0;
    int end = text.size();
    const auto isAsciiSpace = [](QChar c) { return c.unicode() < 0x80 && c.isSpace(); };
    while (first < end && isAsciiSpace(text.at(first)))
        ++first;
    while (end > first && isAsciiSpace(text.at(end - 1)))
        --end;
    return text.mid(first, end - first);
}

// Strings and paths are percent-escaped, so that a text with spaces or
// punctuation stays one token of its line and reads back exactly.
template <>
struct ValueText<QString>
{
    static QString write(const QString& value) { return Bsc::percentEscape(value); }
    static void read(const QString& text, QString& value) { value = Bsc::percentUnescape(escapedToken(text)); }
};

template <>
struct ValueText<Bsc::FSPercentEscapedString>
{
    static QString write(const Bsc::FSPercentEscapedString& value) { return value.escaped(); }
    static void read(const QString& text, Bsc::FSPercentEscapedString& value)
    {
        value = Bsc::FSPercentEscapedString::fromEscaped(escapedToken(text));
    }
};

// ---- variants ----

inline bool isNumber(const QVariant& variant)
{
    switch (variant.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// Whether a numeric variant lies in the range of integer type T. Qt's own
// conversion wraps (-1 becomes 4294967295) or truncates ("4294967296"
// becomes 0); such values are refused instead. Variants that are not
// numbers are left to Qt's conversion.
template <typename T>
bool fitsInteger(const QVariant& variant)
{
    constexpr auto lowest = std::numeric_limits<T>::min();
    constexpr auto highest = std::numeric_limits<T>::max();
    const int type = variant.userType();
    if (type == QMetaType::Double || type == QMetaType::Float) {
        const double real = variant.toDouble();
        return real > double(lowest) - 1.0 && real < double(highest) + 1.0;
    }
    bool ok = false;
    const qlonglong number = variant.toLongLong(&ok);
    if (ok)
        return number >= qlonglong(lowest) && (number < 0 || qulonglong(number) <= qulonglong(highest));
    const qulonglong large = variant.toULongLong(&ok);
    return !ok || large <= qulonglong(highest);
}

// Whether a variant of another type than T holds a value of T: numbers
// must lie in T's range (an integer's; a float's finite range, NaN and
// infinities included; an enumeration's enumerators). Variants that are
// not numbers, and every variant for bool (any number that is not 0 is
// true), are left to Qt's conversion, except that an enumeration takes only
// its enumerators whatever the variant.
template <typename T>
bool fitsRange(const QVariant& variant)
{
    if constexpr (std::is_same<T, bool>::value) {
        return true;
    } else if constexpr (std::is_integral<T>::value) {
        return fitsInteger<T>(variant);
    } else if constexpr (std::is_same<T, float>::value) {
        if (!isNumber(variant))
            return true;
        const double number = variant.toDouble();
        return !std::isfinite(number) || std::fabs(number) <= double(std::numeric_limits<float>::max());
    } else if constexpr (std::is_enum<T>::value) {
        if (!fitsInteger<int>(variant))
            return false;
        bool ok = false;
        const int number = variant.toInt(&ok);
        return ok && isEnumerator<T>(number);
    } else {
        return true;
    }
}

// Converts a variant to T: a variant of T's own type gives its value, any
// other is converted as Qt converts variants (enumerations through int),
// except that numbers out of T's range (fitsRange) do not convert.
// False, with `value` unchanged, when the variant does not convert.
template <typename T>
bool fromVariant(const QVariant& variant, T& value)
{
    const int type = qMetaTypeId<T>();
    if (variant.userType() == type) {
        value = variant.value<T>();
        return true;
    }
    if (!fitsRange<T>(variant))
        return false;
    if constexpr (std::is_enum<T>::value) {
        value = static_cast<T>(variant.toInt());
        return true;
    } else {
        QVariant converted = variant;
        if (!converted.convert(type))
            return false;
        value = converted.value<T>();
        return true;
    }
}

// A variant as an error message names it: its text, else its type.
inline QString describeVariant(const QVariant& variant)
{
    if (!variant.isValid())
        return QStringLiteral("<empty>");
    const QString text = variant.toString();
    return text.isEmpty() && variant.userType() != QMetaType::QString ? QString::fromLatin1(variant.typeName())
                                                                        : text;
}

// ---- hashing ----

template <typename T>
std::enable_if_t<std::is_arithmetic<T>::value || std::is_enum<T>::value> hashValue(Bsc::Hash& hash, const T& value)
{
    hash.addBytes(&value, sizeof value);
}

inline void hashValue(Bsc::Hash& hash, const QString& value)
{
    hash.addBytes(value.constData(), std::size_t(value.size()) * sizeof(QChar));
}

inline void hashValue(Bsc::Hash& hash, const Bsc::FSPercentEscapedString& value)
{
    hashValue(hash, value.text());
}

// ---- meta-type registration of parameter classes ----

// Registers parameter class P with Qt's meta-type system under `name` on the
// first call and returns its id; later calls return the cached id.
template <typename P>
int registeredMetaType(const char* name)
{
    static int id = 0;
    if (id == 0) {
        id = QMetaType::registerNormalizedType(
            QMetaObject::normalizedType(name),
            [](void* where) { static_cast<P*>(where)->~P(); },
            [](void* where, const void* copy) -> void* {
                return copy ? new (where) P(*static_cast<const P*>(copy)) : new (where) P;
            },
            int(sizeof(P)),
            QMetaType::NeedsConstruction | QMetaType::NeedsDestruction | QMetaType::WasDeclaredAsMetaType,
            nullptr);
    }
    return id;
}

} // namespace detail
} // namespace Prm
