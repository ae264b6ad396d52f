#pragma once

// The GPU devices that scripts choose from, each under a name of its own.

#include <GPU/GPU.h>

#include <QHash>
#include <QPair>
#include <QStringList>
#include <QVector>

// Device names made unique: a second "Card" is listed as "Card #2", a second
// "Unit 5" as "Unit  #6", a second "7" as "8".
struct GpuDeviceTable
{
    QStringList names;
    QHash<QString, QPair<int, int>> ids; // name to (platform id, device id)

    static GpuDeviceTable build(const QVector<GPU::AvailableGPUDevice>& devices);
    static QString uniqueName(const QString& name, const QStringList& taken);
};

namespace GPU {
QStringList available_gpu_devices();
QString get_gpu_device_name_by_id(int platform_id, int device_id);
int get_gpu_platform_id(const QString& name);
int get_gpu_device_id(const QString& name);
} // namespace GPU
