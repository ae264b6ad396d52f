#pragma once

#include <QString>

namespace Bsc {
namespace detail {

// A readable class name from a run-time type name: demangled, without its
// namespaces ("N14PyExceptions11PyTypeErrorE" gives "PyTypeError").
QString prettyTypeName(const char* typeInfoName);

} // namespace detail
} // namespace Bsc
