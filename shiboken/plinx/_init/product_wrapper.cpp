// plinx._init.Product: the identity of the running product.

#include "plinx__init_python.h"

#include "Python/SettingsQueries.h"

using namespace Binding;

void init_Product(PyObject* module)
{
    Namespace type(module, plinx__init::module, "Product");
    type.staticMethod("get_application_name", &Product::get_application_name);
    type.staticMethod("get_product_name", &Product::get_product_name);
    type.staticMethod("get_registry_application_name", &Product::get_registry_application_name);
    type.staticMethod("get_registry_company_name", &Product::get_registry_company_name);
    type.introduce();
}
