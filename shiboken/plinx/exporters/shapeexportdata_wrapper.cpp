// plinx.exporters.ShapeExportData: a layer's shapes baked by the core over
// a range of frames, for shape exporters written in Python.

#include "plinx_exporters_python.h"

using namespace Binding;

namespace {

// {(name as bytes, "XSpline" or "Bezier"): {frame key: (point data, ...)}}
PyObject* bakedInKeyframesOf(const ShapeExportData& data)
{
    const QVector<ShapeExportData::BakedShape> shapes = withoutLock([&] { return data.bakedKeyframes(); });
    Shiboken::AutoDecRef result(PyDict_New());
    for (const ShapeExportData::BakedShape& shape : shapes) {
        Shiboken::AutoDecRef frames(PyDict_New());
        for (const ShapeExportData::BakedShape::Frame& frame : shape.frames) {
            const bool bezier = shape.kind == QLatin1String("Bezier");
            const int count = bezier ? frame.bezierPoints.size() : frame.xsplinePoints.size();
            Shiboken::AutoDecRef points(PyTuple_New(count));
            for (int i = 0; i < count; ++i)
                PyTuple_SET_ITEM(points.object(), i,
                                 bezier ? toPython(frame.bezierPoints[i]) : toPython(frame.xsplinePoints[i]));
            Shiboken::AutoDecRef key(PyFloat_FromDouble(double(frame.key)));
            if (PyDict_SetItem(frames, key, points) < 0)
                return nullptr;
        }
        Shiboken::AutoDecRef name(PyBytes_FromStringAndSize(shape.name.constData(), shape.name.size()));
        Shiboken::AutoDecRef kind(toPython(shape.kind));
        Shiboken::AutoDecRef key(PyTuple_Pack(2, name.object(), kind.object()));
        if (key.isNull() || PyDict_SetItem(result, key, frames) < 0)
            return nullptr;
    }
    Py_INCREF(result.object());
    return result.object();
}

} // namespace

void init_ShapeExportData(PyObject* module)
{
    using D = ShapeExportData;
    ValueClass<D> type(module);
    type.constructor(init<Layer, int, int, View, double, bool, bool, bool>(
                         "layer", "firstFrame", "lastFrame", arg("view", "View( 0 )") = [] { return View(0); },
                         arg("accuracy_treshold") = 2.0, arg("extra_matrix") = true, arg("keyframes_only") = true,
                         arg("xspline_support") = true),
                     init<const D&>("ShapeExportData"));
    type.property("baked_in_keyframes", &bakedInKeyframesOf, resultText("PyObject"));
    type.property("extra_matrix", &D::get_extra_matrix, keepLock);
    type.property("filmback_aspect_ratio", &D::get_filmback_aspect_ratio, keepLock);
    type.property("frame_height", &D::get_frame_height, keepLock);
    type.property("frame_width", &D::get_frame_width, keepLock);
    type.property("keyframes_only", &D::get_keyframes_only, keepLock);
    type.property("layer", &D::get_layer);
    type.property("pixel_aspect_ratio", &D::get_pixel_aspect_ratio, keepLock);
    type.property("transforms", &D::get_transforms);
    type.property("view", &D::get_view, keepLock);
    type.property("xspline_support", &D::get_xspline_support, keepLock);
    type.introduce();
}
