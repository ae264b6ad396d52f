// plinx._init.InterProduct: hooks for a companion product.

#include "plinx__init_python.h"

#include "Python/SettingsQueries.h"

using namespace Binding;

namespace {

const Scope interProduct(Sbkplinx__init_details::module, "InterProduct");

const auto is_track_in_plinx_ae_set = interProduct.staticMethod(
    "is_track_in_plinx_ae_set", overload(&InterProduct::is_track_in_plinx_ae_set, "path"));
const auto update_track_in_plinx_ae = interProduct.staticMethod(
    "update_track_in_plinx_ae", overload(&InterProduct::update_track_in_plinx_ae, "path", "set"));

PyMethodDef methods[] = {
    defStatic<is_track_in_plinx_ae_set>(),
    defStatic<update_track_in_plinx_ae>(),
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "plinx._init.InterProduct.is_track_in_plinx_ae_set(path:QString)->bool",
    "plinx._init.InterProduct.update_track_in_plinx_ae(path:QString,set:bool)",
    nullptr,
};

} // namespace

void init_InterProduct(PyObject* module)
{
    Namespace(Sbkplinx__init_details::module, SBK_INTERPRODUCT_IDX, "InterProduct")
        .methods(methods)
        .signatures(signatures)
        .introduce(module);
}
