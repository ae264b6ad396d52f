#pragma once

#include <QString>

#include <stdexcept>

namespace PyExceptions {

// A refusal that scripts receive as TypeError: the module exception
// translators find it under its class name, "PyTypeError".
class PyTypeError : public std::runtime_error
{
public:
    explicit PyTypeError(const QString& message) : std::runtime_error(message.toUtf8().toStdString()) {}
    explicit PyTypeError(const std::string& message) : std::runtime_error(message) {}
    explicit PyTypeError(const char* message) : std::runtime_error(message) {}
};

} // namespace PyExceptions
