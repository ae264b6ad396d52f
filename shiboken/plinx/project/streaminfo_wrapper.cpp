// plinx.project.StreamInfo: where the files of one image stream are.

#include "plinx_project_python.h"

using namespace Binding;
using StreamInfoWrapper = Binding::Wrapper<StreamInfo>;

namespace {

const Scope streamInfo(Sbkplinx_project_details::module, "StreamInfo");

// One StreamInfo argument copies; anything else fills the fields.
const auto constructor = streamInfo.constructor(
    init<StreamInfoWrapper, const StreamInfo&>("StreamInfo"),
    init<StreamInfoWrapper, const QString&, const QString&, const QString&, unsigned int, unsigned int, unsigned int>(
        opt("path", QString()), opt("prefix", QString()), opt("suffix", QString()),
        opt("start_frame", StreamInfo::NoFrame), opt("end_frame", StreamInfo::NoFrame), opt("index_width", 0u)));

const auto get_end_frame = streamInfo.method("get_end_frame", overload(&StreamInfo::get_end_frame));
const auto get_index_width = streamInfo.method("get_index_width", overload(&StreamInfo::get_index_width));
const auto get_path = streamInfo.method("get_path", overload(&StreamInfo::get_path));
const auto get_prefix = streamInfo.method("get_prefix", overload(&StreamInfo::get_prefix));
const auto get_start_frame = streamInfo.method("get_start_frame", overload(&StreamInfo::get_start_frame));
const auto get_suffix = streamInfo.method("get_suffix", overload(&StreamInfo::get_suffix));
const auto set_end_frame = streamInfo.method("set_end_frame", overload(&StreamInfo::set_end_frame, "end_frame"));
const auto set_index_width =
    streamInfo.method("set_index_width", overload(&StreamInfo::set_index_width, "index_width"));
const auto set_path = streamInfo.method("set_path", overload(&StreamInfo::set_path, "path"));
const auto set_prefix = streamInfo.method("set_prefix", overload(&StreamInfo::set_prefix, "prefix"));
const auto set_start_frame =
    streamInfo.method("set_start_frame", overload(&StreamInfo::set_start_frame, "start_frame"));
const auto set_suffix = streamInfo.method("set_suffix", overload(&StreamInfo::set_suffix, "suffix"));

PyMethodDef methods[] = {
    def<get_end_frame>(), def<get_index_width>(), def<get_path>(),
    def<get_prefix>(), def<get_start_frame>(), def<get_suffix>(),
    def<set_end_frame>(), def<set_index_width>(), def<set_path>(),
    def<set_prefix>(), def<set_start_frame>(), def<set_suffix>(),
    copyDef<StreamInfo>(),
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "1:plinx.project.StreamInfo(path:QString=\"\",prefix:QString=\"\",suffix:QString=\"\","
    "start_frame:unsigned int=-1,end_frame:unsigned int=-1,index_width:unsigned int=0)",
    "0:plinx.project.StreamInfo(StreamInfo:plinx.project.StreamInfo)",
    "plinx.project.StreamInfo.__repr__()->QString",
    "plinx.project.StreamInfo.get_end_frame()->unsigned int",
    "plinx.project.StreamInfo.get_index_width()->unsigned int",
    "plinx.project.StreamInfo.get_path()->QString",
    "plinx.project.StreamInfo.get_prefix()->QString",
    "plinx.project.StreamInfo.get_start_frame()->unsigned int",
    "plinx.project.StreamInfo.get_suffix()->QString",
    "plinx.project.StreamInfo.set_end_frame(end_frame:unsigned int)",
    "plinx.project.StreamInfo.set_index_width(index_width:unsigned int)",
    "plinx.project.StreamInfo.set_path(path:QString)",
    "plinx.project.StreamInfo.set_prefix(prefix:QString)",
    "plinx.project.StreamInfo.set_start_frame(start_frame:unsigned int)",
    "plinx.project.StreamInfo.set_suffix(suffix:QString)",
    "plinx.project.StreamInfo.__copy__()",
    nullptr,
};

} // namespace

void init_StreamInfo(PyObject* module)
{
    ValueClass<StreamInfo, StreamInfoWrapper>(Sbkplinx_project_details::module, SBK_STREAMINFO_IDX, "StreamInfo")
        .constructor<constructor>()
        .methods(methods)
        .signatures(signatures)
        .repr<&StreamInfo::__repr__>()
        .properties({{"path", ReadWrite}, {"prefix", ReadWrite}, {"suffix", ReadWrite},
                     {"start_frame", ReadWrite}, {"end_frame", ReadWrite}, {"index_width", ReadWrite}})
        .introduce(module);
}
