#include "GPU/GPU.h"

#include <QStringList>

#include <CL/cl.h>

#include <vector>

namespace GPU {

namespace {

QVector<AvailableGPUDevice> injectedDevices(const QString& text)
{
    QVector<AvailableGPUDevice> devices;
    for (const QString& entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.size() < 2)
            continue;
        AvailableGPUDevice device;
        device.platformId = parts.at(0).toInt();
        device.deviceId = parts.at(1).toInt();
        // "p:d" without a name stands for a device that reports none.
        if (parts.size() > 2)
            device.name = parts.mid(2).join(QLatin1Char(':'));
        devices.append(device);
    }
    return devices;
}

QVector<AvailableGPUDevice> openClDevices()
{
    QVector<AvailableGPUDevice> devices;
    cl_uint platformCount = 0;
    if (clGetPlatformIDs(0, nullptr, &platformCount) != CL_SUCCESS || platformCount == 0)
        return devices;
    std::vector<cl_platform_id> platforms(platformCount);
    if (clGetPlatformIDs(platformCount, platforms.data(), nullptr) != CL_SUCCESS)
        return devices;
    for (cl_uint p = 0; p < platformCount; ++p) {
        cl_uint deviceCount = 0;
        if (clGetDeviceIDs(platforms[p], CL_DEVICE_TYPE_ALL, 0, nullptr, &deviceCount) != CL_SUCCESS)
            continue;
        std::vector<cl_device_id> ids(deviceCount);
        if (clGetDeviceIDs(platforms[p], CL_DEVICE_TYPE_ALL, deviceCount, ids.data(), nullptr) != CL_SUCCESS)
            continue;
        for (cl_uint d = 0; d < deviceCount; ++d) {
            char name[256] = {};
            clGetDeviceInfo(ids[d], CL_DEVICE_NAME, sizeof name - 1, name, nullptr);
            devices.append({QString::fromUtf8(name).trimmed(), int(p), int(d)});
        }
    }
    return devices;
}

QVector<AvailableGPUDevice> machineDevices()
{
    if (qEnvironmentVariableIsSet("PLINX_GPU_DEVICES"))
        return injectedDevices(qEnvironmentVariable("PLINX_GPU_DEVICES"));
    return openClDevices();
}

} // namespace

void Info::read(bool)
{
    m_devices = machineDevices();
}

bool TrackingChecker::isUsable(const AvailableGPUDevice& device) const
{
    return device.platformId >= 0 && device.deviceId >= 0;
}

AvailableGPUDevice defaultDevice()
{
    const QVector<AvailableGPUDevice> devices = machineDevices();
    if (devices.isEmpty())
        return {QStringLiteral("CPU"), -1, -1};
    return devices.first();
}

QVector<AvailableGPUDevice> availableGPUDevices(const TrackingChecker& checker, const Info& info)
{
    QVector<AvailableGPUDevice> usable;
    for (const AvailableGPUDevice& device : info.devices()) {
        if (checker.isUsable(device))
            usable.append(device);
    }
    return usable;
}

} // namespace GPU
