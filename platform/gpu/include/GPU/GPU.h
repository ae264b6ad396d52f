#pragma once

// The GPU library: the OpenCL devices of the machine.
//
// Devices are the machine's real OpenCL devices. A test may set
// PLINX_GPU_DEVICES to "platform:device:name;..." to stand in for them
// (the first one then is the default device).

#include <QString>
#include <QVector>

namespace GPU {

struct AvailableGPUDevice
{
    QString name;
    int platformId = -1;
    int deviceId = -1;
};

// What the machine offers, read once by read().
class Info
{
public:
    void read(bool force);
    const QVector<AvailableGPUDevice>& devices() const { return m_devices; }

private:
    QVector<AvailableGPUDevice> m_devices;
};

// Tells the devices usable for tracking.
class TrackingChecker
{
public:
    bool isUsable(const AvailableGPUDevice& device) const;
};

// The device the application uses unless told otherwise; a device named
// "CPU" with ids -1 when the machine has none.
AvailableGPUDevice defaultDevice();

QVector<AvailableGPUDevice> availableGPUDevices(const TrackingChecker& checker, const Info& info);

} // namespace GPU
