// plinx.project.ViewInfo: name, abbreviation and display colour of a view.

#include "plinx_project_python.h"

using namespace Binding;
using Color = Bsc::Colour3<float>;

void init_ViewInfo(PyObject* module)
{
    ValueClass<ViewInfo> type(module);
    type.defaultLock(keepLock);
    // Without arguments no keyword is looked at; one ViewInfo copies.
    type.constructor(init<>(signatureLine(2)), init<const ViewInfo&>("ViewInfo", signatureLine(0)),
                     init<const QString&, const QString&, const Color&>("name", "abbr",
                                                                         arg("color", "Color()") = Color(),
                                                                         signatureLine(1)));
    type.repr(&ViewInfo::__repr__);
    type.property("name", &ViewInfo::get_name, &ViewInfo::set_name);
    type.property("abbr", &ViewInfo::get_abbr, &ViewInfo::set_abbr);
    type.property("color", &ViewInfo::get_color, &ViewInfo::set_color);
    type.compare<Equal>();
    type.introduce();
}
