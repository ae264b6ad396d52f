#pragma once

// What the three exporter families do alike: their core format tables and
// the save options a number of data streams asks for.

#include "Project/wrappers/PyHandle.h"

#include <Rirediro/Export/DataFormats.h>

#include <QMutex>

#include <QMap>
#include <QString>

namespace Python {

template <typename Format>
QMap<QString, Format> allFormats();

template <>
inline QMap<QString, Rirediro::ShapeDataFormat> allFormats<Rirediro::ShapeDataFormat>()
{
    return Rirediro::ShapeDataFormat::MAP_ALL(nullptr);
}
template <>
inline QMap<QString, Rirediro::TrackingDataFormat> allFormats<Rirediro::TrackingDataFormat>()
{
    return Rirediro::TrackingDataFormat::MAP_ALL(nullptr);
}
template <>
inline QMap<QString, Rirediro::CameraSolveFormat> allFormats<Rirediro::CameraSolveFormat>()
{
    return Rirediro::CameraSolveFormat::MAP_ALL();
}

// Whether the core lists a format equal to `format` (registered by anyone,
// or one of its own).
template <typename Format>
bool isListed(const Format& format)
{
    for (const Format& listed : allFormats<Format>()) {
        if (listed == format)
            return true;
    }
    return false;
}

// One stream: 3; none: 0; several: 2.
inline Rirediro::DataFormatBase::SaveOptions saveOptionsFor(unsigned int number_of_data_streams)
{
    if (number_of_data_streams == 1)
        return Rirediro::DataFormatBase::OneStream;
    return number_of_data_streams == 0 ? Rirediro::DataFormatBase::NoStreams
                                       : Rirediro::DataFormatBase::SeveralStreams;
}

// Hands the exporter to the factory under the format; "Invalid object"
// when there is none to hand (an object without adaptor).
template <typename Factory, typename Format, typename Exporter>
void registerExporterOf(const Format& format, const boost::weak_ptr<Exporter>& exporter)
{
    const boost::shared_ptr<Exporter> locked = exporter.lock();
    if (!locked)
        detail::throwInvalidObject();
    Factory::registerCustomExporter(format, locked);
}

// Withdraws the format only while the factory's exporter for it is this
// adaptor: never a built-in, nor what another object registered since.
template <typename Factory, typename Format, typename Adaptor>
void unregisterOwnExporter(const Format& format, const boost::shared_ptr<Adaptor>& adaptor)
{
    if (adaptor && isListed(format) && Factory::getExporter(format) == adaptor)
        Factory::unregisterExporter(format);
}

// Reads and clears a text kept under a mutex.
inline QString takeGuarded(QMutex& mutex, QString& text)
{
    QMutexLocker locker(&mutex);
    QString taken;
    taken.swap(text);
    return taken;
}

} // namespace Python
