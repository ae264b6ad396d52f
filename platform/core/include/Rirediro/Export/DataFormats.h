#pragma once

#include <QFlags>
#include <QMap>
#include <QString>

class MXIHost;

namespace Rirediro {

// What every export format says about itself. Records of one family with
// the same name are equal: they are the same format, whatever else they
// carry.
class DataFormatBase
{
public:
    // How many data streams a format writes: none, several, or one.
    enum SaveOptions { NoStreams = 0, SeveralStreams = 2, OneStream = 3 };

    QString name() const { return m_name; }
    QString extension() const { return m_extension; }
    QString description() const { return m_description; }
    // The identity equality compares: one per family and name.
    quint32 identifier() const { return m_identifier; }

protected:
    enum Family { ShapeFamily, TrackingFamily, CameraSolveFamily };
    DataFormatBase() = default;
    DataFormatBase(Family family, const QString& name, const QString& extension, const QString& description);
    bool sameFormat(const DataFormatBase& other) const { return m_identifier == other.m_identifier; }

private:
    QString m_name;
    QString m_extension;
    QString m_description;
    quint32 m_identifier = 0;
};

class ShapeDataFormat : public DataFormatBase
{
public:
    enum ExportCapability { MultipleShapes = 0x1, MultipleViews = 0x2, OpenSplines = 0x4, Interlaced = 0x8 };
    Q_DECLARE_FLAGS(ExportCapabilities, ExportCapability)

    ShapeDataFormat() = default;
    ShapeDataFormat(const QString& name, const QString& extension, const QString& description,
                    ExportCapabilities capabilities, SaveOptions saveOptions);

    ExportCapabilities capabilities() const { return m_capabilities; }
    SaveOptions saveOptions() const { return m_saveOptions; }
    bool operator==(const ShapeDataFormat& other) const { return sameFormat(other); }

    // Every shape format the core knows, built-in and registered, by name.
    // A host may narrow the list; none (null) lists all.
    static QMap<QString, ShapeDataFormat> MAP_ALL(const MXIHost* host);

private:
    ExportCapabilities m_capabilities;
    SaveOptions m_saveOptions = OneStream;
};

class TrackingDataFormat : public DataFormatBase
{
public:
    enum ExportCapability { MultipleViews = 0x1, Interlaced = 0x2, RemoveLensDistortion = 0x4 };
    Q_DECLARE_FLAGS(ExportCapabilities, ExportCapability)

    TrackingDataFormat() = default;
    TrackingDataFormat(const QString& name, const QString& extension, const QString& description,
                       unsigned int dataStreams, ExportCapabilities capabilities, SaveOptions saveOptions);

    unsigned int dataStreams() const { return m_dataStreams; }
    ExportCapabilities capabilities() const { return m_capabilities; }
    SaveOptions saveOptions() const { return m_saveOptions; }
    bool operator==(const TrackingDataFormat& other) const { return sameFormat(other); }

    static QMap<QString, TrackingDataFormat> MAP_ALL(const MXIHost* host);

private:
    unsigned int m_dataStreams = 1;
    ExportCapabilities m_capabilities;
    SaveOptions m_saveOptions = OneStream;
};

class CameraSolveFormat : public DataFormatBase
{
public:
    CameraSolveFormat() = default;
    // `solvesLens` asks the solver for lens distortion too; formats made by
    // scripts never do.
    CameraSolveFormat(const QString& name, const QString& extension, const QString& description,
                      unsigned int dataStreams, bool solvesLens, bool multipleViews);

    unsigned int dataStreams() const { return m_dataStreams; }
    bool solvesLens() const { return m_solvesLens; }
    bool exportsMultipleViews() const { return m_multipleViews; }
    bool operator==(const CameraSolveFormat& other) const { return sameFormat(other); }

    static QMap<QString, CameraSolveFormat> MAP_ALL();

private:
    unsigned int m_dataStreams = 1;
    bool m_solvesLens = false;
    bool m_multipleViews = false;
};

} // namespace Rirediro

Q_DECLARE_OPERATORS_FOR_FLAGS(Rirediro::ShapeDataFormat::ExportCapabilities)
Q_DECLARE_OPERATORS_FOR_FLAGS(Rirediro::TrackingDataFormat::ExportCapabilities)
