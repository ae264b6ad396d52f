#pragma once

#include <stdexcept>

namespace PyExceptions {

// A refusal of a bad argument that scripts receive as TypeError.
class PyTypeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace PyExceptions
