// Start-up of the module plinx._init, which a script imports first: it
// starts the application core in a plain interpreter.

#include "plinx__init_python.h"

#include "Python/Bootstrap.h"
#include "Python/SettingsQueries.h"
#include "shiboken/binding/Containers.h"

#include <Product/Product.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>

#include <pyside.h>

#include <cstdlib>

namespace Sbkplinx__init_details {
Binding::Module module{"plinx._init"};
}

namespace {

using namespace Binding;
using Sbkplinx__init_details::module;

const auto getOverriddenKeys = function(module, "get_overridden_keys", overload(&get_overridden_keys));
const auto getSettingValue =
    function(module, "get_setting_value", overload(&get_setting_value, "key", "default_value", "flag"));
const auto setSettingValue =
    function(module, "set_setting_value", overload(&set_setting_value, "key", "value", "flag"));

PyMethodDef moduleFunctions[] = {
    def<getOverriddenKeys>(),
    def<getSettingValue>(),
    def<setSettingValue>(),
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef moduleDefinition = {
    PyModuleDef_HEAD_INIT, "_init", nullptr, -1, moduleFunctions, nullptr, nullptr, nullptr, nullptr,
};

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
    using Variants = SequenceConversion<QList<QVariant>>;
    using Strings = SequenceConversion<QList<QString>>;
    using VariantMap = MappingConversion<QMap<QString, QVariant>>;
    registerConversion(module, SBK_INIT_QLIST_QVARIANT_CONVERTER, "QList<QVariant>", &PyList_Type,
                       &Variants::toPython, {{&Variants::toCpp, &Variants::isConvertible}});
    registerConversion(module, SBK_INIT_QLIST_QSTRING_CONVERTER, "QList<QString>", &PyList_Type,
                       &Strings::toPython, {{&Strings::toCpp, &Strings::isConvertible}});
    registerConversion(module, SBK_INIT_QMAP_QSTRING_QVARIANT_CONVERTER, "QMap<QString,QVariant>", &PyDict_Type,
                       &VariantMap::toPython, {{&VariantMap::toCpp, &VariantMap::isConvertible}});
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

    static PyTypeObject* types[SBK_plinx__init_IDX_COUNT];
    static SbkConverter* converters[SBK_plinx__init_CONVERTERS_IDX_COUNT];
    PyObject* m = module.create(&moduleDefinition, types, converters);
    if (!m)
        return nullptr;

    init_GPU(m);
    init_Product(m);
    init_InterProduct(m);
    registerContainerConversions();
    return module.finish(m, "can't initialize module _init");
}
