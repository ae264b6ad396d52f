// plinx.project.StreamInfo: where the files of one image stream are.

#include "plinx_project_python.h"

using namespace Binding;

void init_StreamInfo(PyObject* module)
{
    ValueClass<StreamInfo> type(module);
    type.defaultLock(keepLock);
    // One StreamInfo argument copies; anything else fills the fields.
    type.constructor(init<const StreamInfo&>("StreamInfo", signatureLine(0)),
                     init<const QString&, const QString&, const QString&, unsigned int, unsigned int, unsigned int>(
                         arg("path") = QString(), arg("prefix") = QString(), arg("suffix") = QString(),
                         arg("start_frame", "-1") = StreamInfo::NoFrame, arg("end_frame", "-1") = StreamInfo::NoFrame,
                         arg("index_width") = 0u, signatureLine(1)));
    type.repr(&StreamInfo::__repr__);
    type.property("path", &StreamInfo::get_path, &StreamInfo::set_path);
    type.property("prefix", &StreamInfo::get_prefix, &StreamInfo::set_prefix);
    type.property("suffix", &StreamInfo::get_suffix, &StreamInfo::set_suffix);
    type.property("start_frame", &StreamInfo::get_start_frame, &StreamInfo::set_start_frame);
    type.property("end_frame", &StreamInfo::get_end_frame, &StreamInfo::set_end_frame);
    type.property("index_width", &StreamInfo::get_index_width, &StreamInfo::set_index_width);
    type.introduce();
}
