#pragma once

// The core's exporters as Python sees them: one built-in wrapper per format
// of a family, kept from one call to the next.

#include "Exporters/Helpers/ExporterFamily.h"
#include "Python/InUse.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>
#include <Rirediro/Export/Exporters.h>

#include <QCoreApplication>
#include <QHash>
#include <QMutex>

#include <boost/shared_ptr.hpp>
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

template <typename Wrapper>
void deleteEntryWhenUnused(Wrapper* entry)
{
    PyHelpers::deleteWhenUnused(entry);
}

// Every format of the family's table, by its key, each with its built-in
// wrapper. A wrapper is made the first time its format shows, made anew when
// the core serves the format with another exporter since, and dropped (its
// Python object then becomes invalid) when the format goes. The cache owns
// the wrappers, and so do the calls that run through one: a wrapper dropped
// while a call uses it goes when the call returns (it is deleted once no
// call holds it).
//
// The pointers returned stay valid until the caller has made their Python
// objects: what a call drops is kept until the next call begins (its Python
// object invalid at once), and the caller, which keeps the interpreter lock
// from this call to the end of the conversion, cannot meet another call in
// between.
template <typename Format, typename Wrapper, typename Factory>
QHash<QString, Wrapper*> registeredExporters()
{
    static QMutex mutex;
    static QHash<QString, boost::shared_ptr<Wrapper>> cache;
    static QList<boost::shared_ptr<Wrapper>> droppedBefore;
    {
        // Released outside the mutex: a wrapper's end reaches Python.
        QList<boost::shared_ptr<Wrapper>> released;
        {
            QMutexLocker locker(&mutex);
            released.swap(droppedBefore);
        }
    }
    QMutexLocker locker(&mutex);
    const auto drop = [](const boost::shared_ptr<Wrapper>& entry) {
        entry->invalidatePythonObject();
        droppedBefore.append(entry);
    };

    const QMap<QString, Format> table = allFormats<Format>();
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const auto exporter = Factory::getExporter(it.value());
        const auto cached = cache.constFind(it.key());
        if (cached != cache.cend() && cached.value()->coreExporter() == exporter)
            continue;
        if (cached != cache.cend())
            drop(cached.value());
        if (!exporter) {
            cache.remove(it.key());
            continue;
        }
        cache.insert(it.key(), boost::shared_ptr<Wrapper>(new Wrapper(exporter), &deleteEntryWhenUnused<Wrapper>));
    }
    for (auto it = cache.begin(); it != cache.end();) {
        if (table.contains(it.key())) {
            ++it;
        } else {
            drop(it.value());
            it = cache.erase(it);
        }
    }

    QHash<QString, Wrapper*> result;
    for (auto it = cache.cbegin(); it != cache.cend(); ++it)
        result.insert(it.key(), it.value().get());
    return result;
}

} // namespace Python
