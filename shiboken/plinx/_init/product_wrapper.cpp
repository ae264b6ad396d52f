// plinx._init.Product: the identity of the running product.

#include "plinx__init_python.h"

#include "Python/SettingsQueries.h"

using namespace Binding;

namespace {

const Scope product(Sbkplinx__init_details::module, "Product");

const auto get_application_name =
    product.staticMethod("get_application_name", overload(&Product::get_application_name));
const auto get_product_name = product.staticMethod("get_product_name", overload(&Product::get_product_name));
const auto get_registry_application_name =
    product.staticMethod("get_registry_application_name", overload(&Product::get_registry_application_name));
const auto get_registry_company_name =
    product.staticMethod("get_registry_company_name", overload(&Product::get_registry_company_name));

PyMethodDef methods[] = {
    defStatic<get_application_name>(),
    defStatic<get_product_name>(),
    defStatic<get_registry_application_name>(),
    defStatic<get_registry_company_name>(),
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "plinx._init.Product.get_application_name()->QString",
    "plinx._init.Product.get_product_name()->QString",
    "plinx._init.Product.get_registry_application_name()->QString",
    "plinx._init.Product.get_registry_company_name()->QString",
    nullptr,
};

} // namespace

void init_Product(PyObject* module)
{
    Namespace(Sbkplinx__init_details::module, SBK_PRODUCT_IDX, "Product")
        .methods(methods)
        .signatures(signatures)
        .introduce(module);
}
