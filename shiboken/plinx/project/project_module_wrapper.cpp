// Start-up of the module plinx.project.

#include "plinx_project_python.h"

BINDING_MODULE_STORAGE(plinx_project)

extern "C" Q_DECL_EXPORT PyObject* PyInit_project()
{
    using plinx_project::module;
    module.setPythonError = &Binding::translateException;
    if (!Binding::Module::importBindingModule("PySide2.QtCore")
        || !Binding::Module::importBindingModule("PySide2.QtGui"))
        return nullptr;

    plinx_project::describeTypes();
    PyObject* m = module.create("project", {});
    if (!m)
        return nullptr;
    plinx_project::introduceTypes(m);
    registerProjectConversions();
    if (!module.finish(m, "can't initialize module project"))
        return nullptr;
    registerVariantEnumerations();
    return m;
}
