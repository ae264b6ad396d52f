#include "ExtensionCall.h"

#include "Python/PyHelpers.h"

#include <sbkpython.h>

#include <basewrapper.h>
#include <bindingmanager.h>

namespace PyHelpers {

void ExtensionHold::holdPythonObject(const void* bound)
{
    const PythonFromCore python;
    if (!python.running())
        return;
    SbkObject* wrapper = Shiboken::BindingManager::instance().retrieveWrapper(bound);
    m_python = reinterpret_cast<PyObject*>(wrapper);
    m_pythonFound = m_python != nullptr;
    Py_XINCREF(m_python);
}

ExtensionHold::~ExtensionHold()
{
    if (!m_python)
        return;
    // Python may run (the object's last reference); the deletion that is
    // then due waits for the hold on the object, released right after.
    const PythonFromCore python;
    if (python.running())
        Py_DECREF(m_python);
}

} // namespace PyHelpers
