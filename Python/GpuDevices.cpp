#include "GpuDevices.h"

#include <QRegExp>

namespace {

// A device without a name still needs one that scripts can choose it by.
const char* const UnnamedDevice = "Unnamed device";

bool isTaken(const QString& name, const QStringList& taken)
{
    for (const QString& entry : taken) {
        if (QString::compare(entry, name, Qt::CaseSensitive) == 0)
            return true;
    }
    return false;
}

// Built once per process, from the default device and the devices usable for tracking.
const GpuDeviceTable& deviceTable()
{
    static const GpuDeviceTable table = [] {
        GPU::Info info;
        info.read(true);
        QVector<GPU::AvailableGPUDevice> devices{GPU::defaultDevice()};
        devices += GPU::availableGPUDevices(GPU::TrackingChecker(), info);
        return GpuDeviceTable::build(devices);
    }();
    return table;
}

} // namespace

QString GpuDeviceTable::uniqueName(const QString& name, const QStringList& taken)
{
    if (!isTaken(name, taken))
        return name;
    QString separator = QStringLiteral(" #");
    QRegExp numbered(QStringLiteral("(") + QRegExp::escape(separator) + QStringLiteral(")?(\\d*)$"), Qt::CaseSensitive,
                     QRegExp::RegExp2);
    const int position = numbered.indexIn(name);
    const QString base = name.left(position);
    const QString digits = numbered.cap(2);
    if (base.isEmpty())
        separator.clear();
    unsigned int number = digits.isEmpty() ? 1 : digits.toUInt();
    QString candidate;
    do {
        ++number;
        candidate = base + separator + QString::number(number);
    } while (isTaken(candidate, taken));
    return candidate;
}

GpuDeviceTable GpuDeviceTable::build(const QVector<GPU::AvailableGPUDevice>& devices)
{
    GpuDeviceTable table;
    for (const GPU::AvailableGPUDevice& device : devices) {
        const QString name = device.name.isEmpty() ? QString::fromLatin1(UnnamedDevice) : device.name;
        const QString unique = uniqueName(name, table.names);
        table.names.append(unique);
        table.ids.insert(unique, qMakePair(device.platformId, device.deviceId));
    }
    return table;
}

namespace GPU {

QStringList available_gpu_devices()
{
    return deviceTable().names;
}

QString get_gpu_device_name_by_id(int platform_id, int device_id)
{
    const GpuDeviceTable& table = deviceTable();
    const QString name = table.ids.key(qMakePair(platform_id, device_id));
    return name.isNull() ? table.names.value(0) : name;
}

int get_gpu_platform_id(const QString& name)
{
    const auto found = deviceTable().ids.constFind(name);
    return found != deviceTable().ids.constEnd() ? found->first : defaultDevice().platformId;
}

int get_gpu_device_id(const QString& name)
{
    const auto found = deviceTable().ids.constFind(name);
    return found != deviceTable().ids.constEnd() ? found->second : defaultDevice().deviceId;
}

} // namespace GPU
