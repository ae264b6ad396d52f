// Start-up of the module plinx._init, which a script imports first: it
// starts the application core in a plain interpreter.

#include "plinx__init_python.h"

#include "Python/Bootstrap.h"
#include "Python/SettingsQueries.h"

#include <Product/Product.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <pyside.h>

#include <cstdlib>

BINDING_MODULE_STORAGE(plinx__init)

namespace {

using namespace Binding;
using plinx__init::module;

// A plain interpreter runs as the edition that TQL_PRODUCT names, if the
// product has one of that name (exact case), else as the main product.
void selectProductEdition()
{
    const char* requested = std::getenv("TQL_PRODUCT");
    const QString name = requested ? QString::fromUtf8(requested) : QString();
    const QStringList editions = Product::list(Product::get());
    Product::set(editions.contains(name) ? name : Product::mainProductName(), false);
}

void registerContainerConversions()
{
    using Slot = plinx__init::Converter;
    registerContainerConversion<QList<QVariant>, SequenceConversion>(module, Slot::VariantList, &PyList_Type);
    registerContainerConversion<QList<QString>, SequenceConversion>(module, Slot::StringList, &PyList_Type);
    registerContainerConversion<VariantMap, MappingConversion>(module, Slot::VariantMap, &PyDict_Type);
}

} // namespace

extern "C" Q_DECL_EXPORT PyObject* PyInit__init()
{
    if (!isEmbedded())
        selectProductEdition();
    VUVI_ErrorDetector::init();
    VUVI_ErrorDetector::setFullErrorDetection(true, false, false);
    module.setPythonError = &Binding::translateException;
    pyBootstrap();
    PySide::registerCleanupFunction(&pyCleanup);

    if (!Binding::Module::importBindingModule("PySide2.QtCore"))
        return nullptr;

    plinx__init::describeTypes();
    PyObject* m = module.create(
        "_init", {
                     moduleFunction(module, "get_overridden_keys", overload(&get_overridden_keys)),
                     moduleFunction(module, "get_setting_value",
                                    overload(&get_setting_value, "key", "default_value", "flag")),
                     moduleFunction(module, "set_setting_value", overload(&set_setting_value, "key", "value", "flag")),
                 });
    if (!m)
        return nullptr;
    plinx__init::introduceTypes(m);
    registerContainerConversions();
    return module.finish(m, "can't initialize module _init");
}
