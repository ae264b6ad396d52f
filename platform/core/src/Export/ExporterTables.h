#pragma once

#include "Rirediro/Export/Exporters.h"

#include <QMutex>

#include <map>
#include <utility>

namespace Rirediro {

// The exporters of one family by format identity: built-ins, and
// registrations that stand in for a built-in of the same format while they last.
template <typename Format, typename Exporter>
class ExporterTable
{
public:
    using Entry = std::pair<Format, boost::shared_ptr<Exporter>>;

    // With the core's own exporter of the family.
    ExporterTable(const Format& format, const boost::shared_ptr<Exporter>& exporter)
    {
        m_builtIns[format.identifier()] = Entry(format, exporter);
    }
    void registerCustom(const Format& format, const boost::shared_ptr<Exporter>& exporter)
    {
        QMutexLocker locker(&m_mutex);
        m_custom[format.identifier()] = Entry(format, exporter);
    }
    void unregister(const Format& format)
    {
        QMutexLocker locker(&m_mutex);
        m_custom.erase(format.identifier());
    }
    boost::shared_ptr<Exporter> exporterFor(const Format& format) const
    {
        QMutexLocker locker(&m_mutex);
        for (const auto* table : {&m_custom, &m_builtIns}) {
            auto it = table->find(format.identifier());
            if (it != table->end())
                return it->second.second;
        }
        return boost::shared_ptr<Exporter>();
    }
    // By name; a registration replaces a built-in of its name.
    QMap<QString, Format> formats() const
    {
        QMutexLocker locker(&m_mutex);
        QMap<QString, Format> all;
        for (const auto* table : {&m_builtIns, &m_custom}) {
            for (const auto& entry : *table)
                all.insert(entry.second.first.name(), entry.second.first);
        }
        return all;
    }

private:
    mutable QMutex m_mutex;
    std::map<quint32, Entry> m_builtIns;
    std::map<quint32, Entry> m_custom;
};

// The tables of the three families, with the core's own exporters in them.
ExporterTable<ShapeDataFormat, ShapeExporter>& shapeExporters();
ExporterTable<TrackingDataFormat, TrackingExporter>& trackingExporters();
ExporterTable<CameraSolveFormat, CameraSolveExporter>& cameraSolveExporters();

} // namespace Rirediro
