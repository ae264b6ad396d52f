#pragma once

// The module plinx.project: its tables, its bound types and the slots they
// occupy. Types and enumerations are numbered in ASCII order of their names,
// conversions in the order the module registers them; modules that import
// plinx.project read its tables by these numbers.

#include "shiboken/binding/Types.h"

#include "Project/wrappers/Enums.h"
#include "Project/wrappers/ProgressWatcher.h"
#include "Project/wrappers/StreamInfo.h"
#include "Project/wrappers/View.h"
#include "Project/wrappers/ViewInfo.h"

#include <Bsc/Colour3.h>

namespace Sbkplinx_project_details {
extern Binding::Module module;
}

enum : int
{
    SBK_BEZIERCONTOUR_IDX = 0,
    SBK_BEZIERCONTROLPOINT_IDX = 1,
    SBK_BEZIERCONTROLPOINTDATA_IDX = 2,
    SBK_CHANNELTYPE_IDX = 3,
    SBK_CLIP_IDX = 4,
    SBK_COLORCONVERSION_IDX = 5,
    SBK_COLORPARAMETERS_IDX = 6,
    SBK_COLORIZEOUTPUT_IDX = 7,
    SBK_COLORSPACE_IDX = 8,
    SBK_IMAGEDATA_IDX = 9,
    SBK_INTERLACEMODE_IDX = 10,
    SBK_LAYER_IDX = 11,
    SBK_LAYERGROUP_IDX = 12,
    SBK_PARAMETER_IDX = 13,
    SBK_PARAMETERSET_IDX = 14,
    SBK_PIXELFORMAT_IDX = 15,
    SBK_PROGRESSWATCHER_IDX = 16,
    SBK_PROJECT_IDX = 17,
    SBK_RENDERINSERTOPERATION_IDX = 18,
    SBK_RENDEROPERATION_IDX = 19,
    SBK_RENDERREMOVEOPERATION_IDX = 20,
    SBK_RENDERREORIENTOPERATION_IDX = 21,
    SBK_RENDERSTABILIZEOPERATION_IDX = 22,
    SBK_STREAMINFO_IDX = 23,
    SBK_UNDOGROUP_IDX = 24,
    SBK_VIEW_IDX = 25,
    SBK_VIEWINFO_IDX = 26,
    SBK_XCONTROLPOINT_IDX = 27,
    SBK_XCONTROLPOINTDATA_IDX = 28,
    SBK_XSPLINECONTOUR_IDX = 29,
    SBK_plinx_project_IDX_COUNT = 30,
};

enum : int
{
    SBK_FSPERCENTESCAPEDSTRING_CONVERTER = 0,
    SBK_OPTIONALPOINT_CONVERTER = 1,
    SBK_OPTIONALBOOL_CONVERTER = 2,
    SBK_OPTIONALFLOAT_CONVERTER = 3,
    SBK_PRM_CONTEXT_CONVERTER = 4,
    SBK_OPTIONALLAYER_CONVERTER = 5,
    SBK_COLOR_CONVERTER = 6,
    SBK_OPTIONALINTERLACEMODE_CONVERTER = 7,
    SBK_GAN_MATRIX33_CONVERTER = 8,
    SBK_QVECTOR_LAYER_CONVERTER = 9,
    SBK_QPAIR_VIEW_DOUBLE_CONVERTER = 10,
    SBK_QVECTOR_QPAIR_VIEW_DOUBLE_CONVERTER = 11,
    SBK_QVECTOR_PARAMETER_CONVERTER = 12,
    SBK_QVECTOR_PARAMETERSET_CONVERTER = 13,
    SBK_QVECTOR_BEZIERCONTROLPOINTDATA_CONVERTER = 14,
    SBK_QVECTOR_XCONTROLPOINTDATA_CONVERTER = 15,
    SBK_QLIST_FLOAT_CONVERTER = 16,
    SBK_QVECTOR_XCONTROLPOINT_CONVERTER = 17,
    SBK_QVECTOR_BEZIERCONTROLPOINT_CONVERTER = 18,
    SBK_QLIST_QOBJECTPTR_CONVERTER = 19,
    SBK_QLIST_QBYTEARRAY_CONVERTER = 20,
    SBK_QVECTOR_VIEW_CONVERTER = 21,
    SBK_QPAIR_UINT_UINT_CONVERTER = 22,
    SBK_QMAP_VIEW_VIEW_CONVERTER = 23,
    SBK_QVECTOR_LAYERGROUP_CONVERTER = 24,
    SBK_QHASH_QSTRING_CLIPPTR_CONVERTER = 25,
    SBK_QVECTOR_VIEWINFO_CONVERTER = 26,
    SBK_QLIST_QVARIANT_CONVERTER = 27,
    SBK_QLIST_QSTRING_CONVERTER = 28,
    SBK_QMAP_QSTRING_QVARIANT_CONVERTER = 29,
    SBK_plinx_project_CONVERTERS_IDX_COUNT = 30,
};

BINDING_VALUE_TYPE(View);
BINDING_VALUE_TYPE(StreamInfo);
BINDING_VALUE_TYPE(ViewInfo);
BINDING_OBJECT_TYPE(ProgressWatcher);

BINDING_ENUM_TYPE(Colorspace);
BINDING_ENUM_TYPE(ColorConversion);
BINDING_ENUM_TYPE(PixelFormat);
BINDING_ENUM_TYPE(ChannelType);
BINDING_ENUM_TYPE(InterlaceMode);
BINDING_ENUM_TYPE(ColorizeOutput);

BINDING_CONVERTER_NAME(Bsc::Colour3<float>, "Color");

// Registration routines, called by the module's start-up in its fixed order.
void init_View(PyObject* module);
void init_StreamInfo(PyObject* module);
void init_ViewInfo(PyObject* module);
void init_ProgressWatcher(PyObject* module);

// The module's own value and container conversions.
void registerProjectConversions();
