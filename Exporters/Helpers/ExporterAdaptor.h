#pragma once

// What the three adaptors do alike when the core calls them.

#include "Python/ExtensionCall.h"

#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <QCoreApplication>
#include <QString>

namespace Python {

// The adaptor's exporter, held for the export; the core's error detector
// fails the export with "The exporter has been deleted" (in the adaptor's
// context) when it is gone.
template <typename Exporter>
Exporter* checkedExporter(const PyHelpers::ExtensionCall<Exporter>& exporter, const char* adaptor,
                          const QString& source, int line)
{
    VUVI_ErrorDetector::instance()->check(exporter.get() != nullptr, source, line,
                                          QStringLiteral("! m_abstractExporter.isNull()"),
                                          QCoreApplication::translate(adaptor, "The exporter has been deleted"));
    return exporter.get();
}

// The error text an export reports: the exporter's own, else why its
// do_export could not run to its end, else why the exporter went during it.
template <typename Exporter>
QString exportError(const PyHelpers::ExtensionCall<Exporter>& exporter, const char* adaptor)
{
    if (!exporter)
        return QCoreApplication::translate(adaptor, "The exporter has been deleted");
    const QString failure = exporter->takeExportFailure();
    if (!exporter)
        return failure;
    const QString error = exporter->error_string();
    return error.isEmpty() ? failure : error;
}

} // namespace Python
