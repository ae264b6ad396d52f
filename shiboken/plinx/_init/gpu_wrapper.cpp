// plinx._init.GPU: the GPU devices that scripts choose from.

#include "plinx__init_python.h"

#include "Python/GpuDevices.h"

using namespace Binding;

namespace {

const Scope gpu(Sbkplinx__init_details::module, "GPU");

const auto available_gpu_devices =
    gpu.staticMethod("available_gpu_devices", overload(&GPU::available_gpu_devices));
const auto get_gpu_device_id = gpu.staticMethod("get_gpu_device_id", overload(&GPU::get_gpu_device_id, "name"));
const auto get_gpu_device_name_by_id = gpu.staticMethod(
    "get_gpu_device_name_by_id", overload(&GPU::get_gpu_device_name_by_id, "platform_id", "device_id"));
const auto get_gpu_platform_id =
    gpu.staticMethod("get_gpu_platform_id", overload(&GPU::get_gpu_platform_id, "name"));

PyMethodDef methods[] = {
    defStatic<available_gpu_devices>(),
    defStatic<get_gpu_device_id>(),
    defStatic<get_gpu_device_name_by_id>(),
    defStatic<get_gpu_platform_id>(),
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "plinx._init.GPU.available_gpu_devices()->QStringList",
    "plinx._init.GPU.get_gpu_device_id(name:QString)->int",
    "plinx._init.GPU.get_gpu_device_name_by_id(platform_id:int,device_id:int)->QString",
    "plinx._init.GPU.get_gpu_platform_id(name:QString)->int",
    nullptr,
};

} // namespace

void init_GPU(PyObject* module)
{
    Namespace(Sbkplinx__init_details::module, SBK_GPU_IDX, "GPU").methods(methods).signatures(signatures).introduce(module);
}
