#pragma once

// The core's exporters as Python sees them: one built-in wrapper per format
// of a family, kept from one call to the next.

#include "Exporters/Helpers/ExporterFamily.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>
#include <Rirediro/Export/Exporters.h>

#include <QCoreApplication>
#include <QHash>
#include <QMutex>

#include <boost/make_shared.hpp>
#include <boost/weak_ptr.hpp>

namespace Python {

template <typename Factory>
struct FactoryName;
template <>
struct FactoryName<Rirediro::ShapeExporterFactory>
{
    static constexpr const char* value = "ShapeExporterFactory";
};
template <>
struct FactoryName<Rirediro::TrackingExporterFactory>
{
    static constexpr const char* value = "TrackingExporterFactory";
};
template <>
struct FactoryName<VUVI_CameraSolveExporterFactory>
{
    static constexpr const char* value = "VUVI_CameraSolveExporterFactory";
};

// The format whose exporter `exporter` is; the first in name order when it
// serves several. VUVI_OutOfRange "Exporter format not found" when none.
template <typename Format, typename Factory, typename Exporter>
Format formatByExporterCWPtr(const boost::weak_ptr<const Exporter>& exporter)
{
    const QList<Format> records = allFormats<Format>().values();
    const boost::shared_ptr<const Exporter> locked = exporter.lock();
    if (locked) {
        for (const Format& record : records) {
            if (Factory::getExporter(record).get() == locked.get())
                return record;
        }
    }
    Rirediro::throwException<VUVI_OutOfRange>(
        QCoreApplication::translate(FactoryName<Factory>::value, "Exporter format not found"));
}

// Every format of the family's table, by its key, each with its built-in
// wrapper. A wrapper is made the first time its format shows, made anew when
// the core serves the format with another exporter since, and dropped (its
// Python object then becomes invalid) when the format goes. The cache owns
// the wrappers, and so does each call on one for its length (the frame takes
// a share of it): a wrapper dropped while a call uses it goes when the call
// returns. The pointers stay valid until a later call drops them.
template <typename Format, typename Wrapper, typename Factory>
QHash<QString, Wrapper*> registeredExporters()
{
    static QMutex mutex;
    static QHash<QString, boost::shared_ptr<Wrapper>> cache;
    // Dropped after the mutex is let go: a wrapper's end reaches Python.
    QList<boost::shared_ptr<Wrapper>> dropped;
    QMutexLocker locker(&mutex);

    const QMap<QString, Format> table = allFormats<Format>();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const auto exporter = Factory::getExporter(it.value());
        const auto cached = cache.constFind(it.key());
        if (cached != cache.cend() && cached.value()->coreExporter() == exporter)
            continue;
        if (cached != cache.cend())
            dropped.append(cached.value());
        if (!exporter) {
            cache.remove(it.key());
            continue;
        }
        cache.insert(it.key(), boost::make_shared<Wrapper>(exporter));
    }
    for (auto it = cache.begin(); it != cache.end();) {
        if (table.contains(it.key())) {
            ++it;
        } else {
            dropped.append(it.value());
            it = cache.erase(it);
        }
    }

    QHash<QString, Wrapper*> result;
    for (auto it = cache.cbegin(); it != cache.cend(); ++it)
        result.insert(it.key(), it.value().get());
    return result;
}

} // namespace Python
