// plinx.tools.InputEvent: the mouse event a Python tool receives. Python
// copies events but never makes one; the contour and control point under
// the pointer are looked up when read.

#include "plinx_tools_python.h"

using namespace Binding;

void init_InputEvent(PyObject* module)
{
    ValueClass<InputEvent> type(module);
    type.constructor(init<const InputEvent&>("InputEvent", wrongCountIsWrongArguments));
    type.field("layer", &InputEvent::layer, expects("Layer or NoneType"));
    type.field("pos_on_image", &InputEvent::pos_on_image, expects("QPointF"));
    type.field("pos_on_canvas", &InputEvent::pos_on_canvas, expects("QPointF"));
    // Both build Python objects: they keep the interpreter lock.
    type.property("contour", named("get_contour", &InputEvent::get_contour));
    type.property("control_point", named("get_control_point", &InputEvent::get_control_point));
    type.introduce();
}
