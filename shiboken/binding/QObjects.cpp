#include "QObjects.h"

#include <pyside.h>
#include <pysidesignal.h>

namespace Binding {
namespace detail {

int* noOtherBases(const void*)
{
    static int offsets[] = {-1};
    return offsets;
}

void* sameAddress(void* object, SbkObjectType*)
{
    return object;
}

void registerQObjectType(PyTypeObject* type, const QMetaObject* metaObject, std::size_t wrapperSize,
                         TypeDiscoveryFuncV2 discover)
{
    auto* sbk = reinterpret_cast<SbkObjectType*>(type);
    Shiboken::ObjectType::setMultipleInheritanceFunction(sbk, &noOtherBases);
    Shiboken::ObjectType::setCastFunction(sbk, &sameAddress);
    Shiboken::ObjectType::setTypeDiscoveryFunctionV2(sbk, discover);
    PySide::Signal::registerSignals(sbk, metaObject);
    Shiboken::ObjectType::setSubTypeInitHook(sbk, &PySide::initQObjectSubType);
    PySide::initDynamicMetaObject(sbk, metaObject, wrapperSize);
}

} // namespace detail
} // namespace Binding
