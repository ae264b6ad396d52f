// plinx.project.ViewInfo: name, abbreviation and display colour of a view.

#include "plinx_project_python.h"

using namespace Binding;
using ViewInfoWrapper = Binding::Wrapper<ViewInfo>;
using Color = Bsc::Colour3<float>;

namespace {

const Scope viewInfo(Sbkplinx_project_details::module, "ViewInfo");

// Without arguments no keyword is looked at; one ViewInfo copies.
const auto constructor = viewInfo.constructor(
    init<ViewInfoWrapper>(),
    init<ViewInfoWrapper, const ViewInfo&>("ViewInfo"),
    init<ViewInfoWrapper, const QString&, const QString&, const Color&>("name", "abbr", opt("color", Color())));

const auto get_abbr = viewInfo.method("get_abbr", overload(&ViewInfo::get_abbr));
const auto get_color = viewInfo.method("get_color", overload(&ViewInfo::get_color));
const auto get_name = viewInfo.method("get_name", overload(&ViewInfo::get_name));
const auto set_abbr = viewInfo.method("set_abbr", overload(&ViewInfo::set_abbr, "abbr"));
const auto set_color = viewInfo.method("set_color", overload(&ViewInfo::set_color, "color"));
const auto set_name = viewInfo.method("set_name", overload(&ViewInfo::set_name, "name"));

PyMethodDef methods[] = {
    def<get_abbr>(), def<get_color>(), def<get_name>(),
    def<set_abbr>(), def<set_color>(), def<set_name>(),
    copyDef<ViewInfo>(),
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "2:plinx.project.ViewInfo()",
    "1:plinx.project.ViewInfo(name:QString,abbr:QString,color:Color=Color())",
    "0:plinx.project.ViewInfo(ViewInfo:plinx.project.ViewInfo)",
    "plinx.project.ViewInfo.__repr__()->QString",
    "plinx.project.ViewInfo.get_abbr()->QString",
    "plinx.project.ViewInfo.get_color()->Color",
    "plinx.project.ViewInfo.get_name()->QString",
    "plinx.project.ViewInfo.set_abbr(abbr:QString)",
    "plinx.project.ViewInfo.set_color(color:Color)",
    "plinx.project.ViewInfo.set_name(name:QString)",
    "plinx.project.ViewInfo.__copy__()",
    nullptr,
};

} // namespace

void init_ViewInfo(PyObject* module)
{
    ValueClass<ViewInfo, ViewInfoWrapper>(Sbkplinx_project_details::module, SBK_VIEWINFO_IDX, "ViewInfo")
        .constructor<constructor>()
        .methods(methods)
        .signatures(signatures)
        .repr<&ViewInfo::__repr__>()
        .compare<Equal>()
        .properties({{"name", ReadWrite}, {"abbr", ReadWrite}, {"color", ReadWrite}})
        .introduce(module);
}
