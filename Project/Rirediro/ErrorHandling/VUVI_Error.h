#pragma once

// The core's exception family: the base class VUVI_Exception and the five
// classes that the scripting API throws, with Rirediro::throwException.
// Type identity and Dump() of the base class live in the core library.

#include <Bsc/Coalesce.h>

#include <QByteArray>
#include <QString>
#include <exception>
#include <string>
#include <type_traits>

class VUVI_Exception : public std::exception
{
public:
    VUVI_Exception(std::string file, int line, QString message, QString text)
        : m_line(line)
        , m_file(std::move(file))
        , m_message(std::move(message))
        , m_text(std::move(text))
        , m_textBytes(m_text.toUtf8())
    {
    }
    ~VUVI_Exception() override;

    // The text for the user, UTF-8: the detail when one was given, else the message.
    const char* what() const noexcept override { return m_textBytes.constData(); }
    virtual void Dump() const;

    int line() const { return m_line; }
    const std::string& file() const { return m_file; }
    const QString& message() const { return m_message; }
    const QString& text() const { return m_text; }
    const QString& kind() const { return m_kind; }

protected:
    int m_line;
    std::string m_file;
    QString m_message;
    QString m_text;
    QByteArray m_textBytes;
    QString m_kind;
};

// A member of the family: the base's one constructor, and the kind of failure.
#define VUVI_DECLARE_EXCEPTION(ClassName, kindText)                                   \
    class ClassName : public VUVI_Exception                                           \
    {                                                                                 \
    public:                                                                           \
        ClassName(std::string file, int line, QString message, QString text)          \
            : VUVI_Exception(std::move(file), line, std::move(message), std::move(text)) \
        {                                                                             \
            m_kind = QStringLiteral(kindText);                                        \
        }                                                                             \
    }

VUVI_DECLARE_EXCEPTION(VUVI_BadState, "Bad state");
VUVI_DECLARE_EXCEPTION(VUVI_OutOfRange, "Index out of range");
VUVI_DECLARE_EXCEPTION(VUVI_BadFile, "Bad file provided");
VUVI_DECLARE_EXCEPTION(VUVI_OperationFailed, "Operation failed");
VUVI_DECLARE_EXCEPTION(VUVI_NotImplemented, "Not implemented (sorry)");

namespace Rirediro {

// Where the one-argument form says the exception comes from.
constexpr const char* ErrorHeaderPath = "Rirediro/ErrorHandling/VUVI_Error";
constexpr int ErrorHeaderLine = 59;

// Throws T with the detail as its text, or the message when the detail is empty.
template <typename T>
[[noreturn]] void throwException(const char* file, int line, const QString& message, const QString& detail)
{
    static_assert(std::is_base_of<VUVI_Exception, T>::value, "throwException throws the VUVI_Exception family");
    const QString text = Bsc::coalesce(detail, message);
    throw T(std::string(file), line, message, text);
}

// Throws T with the message as message and text, located at the error header.
template <typename T>
[[noreturn]] void throwException(const QString& message)
{
    static_assert(std::is_same<T, VUVI_BadFile>::value || std::is_same<T, VUVI_OutOfRange>::value
                      || std::is_same<T, VUVI_BadState>::value,
                  "the one-argument form is made for VUVI_BadFile, VUVI_OutOfRange and VUVI_BadState");
    throwException<T>(ErrorHeaderPath, ErrorHeaderLine, message, message);
}

} // namespace Rirediro
