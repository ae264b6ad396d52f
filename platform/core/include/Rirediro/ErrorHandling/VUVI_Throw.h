#pragma once

#include <QString>

// The core's throw function, which the media library calls to raise errors:
// throws VUVI_OperationFailed with the detail as its text (the message when
// the detail is empty).
[[noreturn]] void vThrowException(const char* file, int line, const QString& message, const QString& detail);
