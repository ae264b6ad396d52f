// Start-up of the module plinx.project.

#include "plinx_project_python.h"

#include "Python/Bootstrap.h"

BINDING_MODULE_STORAGE(plinx_project)

namespace {

// The module's functions: get_current_project only inside the application,
// whose project it returns (a new Project each time, which Python never
// deletes: the application's project manager is its Qt parent).
std::vector<const Binding::FunctionBase*> moduleFunctions()
{
    using namespace Binding;
    if (!isEmbedded())
        return {};
    return {moduleFunction(plinx_project::module, "get_current_project",
                           overload(&getCurrentProject, resultOwnedByCpp))};
}

} // namespace

extern "C" Q_DECL_EXPORT PyObject* PyInit_project()
{
    using plinx_project::module;
    module.setPythonError = &Binding::translateException;
    if (!Binding::Module::importBindingModule("PySide2.QtCore")
        || !Binding::Module::importBindingModule("PySide2.QtGui"))
        return nullptr;

    plinx_project::describeTypes();
    PyObject* m = module.create("project", moduleFunctions());
    if (!m)
        return nullptr;
    plinx_project::introduceTypes(m);
    registerProjectConversions();
    if (!module.finish(m, "can't initialize module project"))
        return nullptr;
    registerVariantEnumerations();
    return m;
}
