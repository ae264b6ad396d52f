// plinx._init.InterProduct: hooks for a companion product.

#include "plinx__init_python.h"

#include "Python/SettingsQueries.h"

using namespace Binding;

void init_InterProduct(PyObject* module)
{
    Namespace type(module, plinx__init::module, "InterProduct");
    type.staticMethod("is_track_in_plinx_ae_set", &InterProduct::is_track_in_plinx_ae_set, "path");
    type.staticMethod("update_track_in_plinx_ae", &InterProduct::update_track_in_plinx_ae, "path", "set");
    type.introduce();
}
