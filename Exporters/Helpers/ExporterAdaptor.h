#pragma once

// What the three adaptors do alike when the core calls them.

#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <QCoreApplication>
#include <QPointer>
#include <QString>

namespace Python {

// The adaptor's exporter; the core's error detector fails the export with
// "The exporter has been deleted" (in the adaptor's context) once it is gone.
template <typename Exporter>
Exporter* checkedExporter(const QPointer<Exporter>& exporter, const char* adaptor, const QString& source, int line)
{
    VUVI_ErrorDetector::instance()->check(!exporter.isNull(), source, line,
                                          QStringLiteral("! m_abstractExporter.isNull()"),
                                          QCoreApplication::translate(adaptor, "The exporter has been deleted"));
    return exporter.data();
}

// The error text an export reports: the exporter's own, else why its
// do_export could not run to its end, else why the exporter went during it.
template <typename Exporter>
QString exportError(const QPointer<Exporter>& exporter, const char* adaptor)
{
    if (exporter.isNull())
        return QCoreApplication::translate(adaptor, "The exporter has been deleted");
    const QString failure = exporter->takeExportFailure();
    if (exporter.isNull())
        return failure;
    const QString error = exporter->error_string();
    return error.isEmpty() ? failure : error;
}

} // namespace Python
