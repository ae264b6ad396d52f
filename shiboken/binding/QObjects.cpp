#include "QObjects.h"

#include <pyside.h>
#include <pysidesignal.h>

namespace Binding {
namespace detail {

void registerQObjectType(PyTypeObject* type, const QMetaObject* metaObject, std::size_t wrapperSize)
{
    auto* sbk = reinterpret_cast<SbkObjectType*>(type);
    PySide::Signal::registerSignals(sbk, metaObject);
    Shiboken::ObjectType::setSubTypeInitHook(sbk, &PySide::initQObjectSubType);
    PySide::initDynamicMetaObject(sbk, metaObject, wrapperSize);
}

} // namespace detail
} // namespace Binding
