// plinx._init.GPU: the GPU devices that scripts choose from.

#include "plinx__init_python.h"

#include "Python/GpuDevices.h"

using namespace Binding;

void init_GPU(PyObject* module)
{
    Namespace type(module, plinx__init::module, "GPU");
    type.staticMethod("available_gpu_devices", &GPU::available_gpu_devices);
    type.staticMethod("get_gpu_device_id", &GPU::get_gpu_device_id, "name");
    type.staticMethod("get_gpu_device_name_by_id", &GPU::get_gpu_device_name_by_id, "platform_id", "device_id");
    type.staticMethod("get_gpu_platform_id", &GPU::get_gpu_platform_id, "name");
    type.introduce();
}
