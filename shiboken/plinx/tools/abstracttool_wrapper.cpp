// plinx.tools.AbstractTool: the base of viewer tools written in Python. The
// core's mouse and activation calls reach the Python methods of the same
// names.

#include "plinx_tools_python.h"

using namespace Binding;

namespace {

class AbstractToolWrapper : public QObjectWrapper<AbstractTool>
{
public:
    using QObjectWrapper::QObjectWrapper;

    void on_mouse_press(const InputEvent& event) override { routeVoid("on_mouse_press", pure, event); }
    void on_mouse_move(const InputEvent& event) override { routeVoid("on_mouse_move", pure, event); }
    void on_mouse_release(const InputEvent& event) override { routeVoid("on_mouse_release", pure, event); }
    void on_activate() override { routeVoid("on_activate", pure); }
    void on_deactivate() override { routeVoid("on_deactivate", pure); }
};

} // namespace

void init_AbstractTool(PyObject* module)
{
    using T = AbstractTool;
    ObjectClass<T, AbstractToolWrapper> type(module);
    type.abstract();
    type.constructor(init<QAction*>(arg("action", "NULL") = nullptr));
    type.method("action", &T::action);
    type.method("on_activate", &T::on_activate);
    type.method("on_deactivate", &T::on_deactivate);
    type.method("on_mouse_move", &T::on_mouse_move, "event");
    type.method("on_mouse_press", &T::on_mouse_press, "event");
    type.method("on_mouse_release", &T::on_mouse_release, "event");
    type.introduce();
}
