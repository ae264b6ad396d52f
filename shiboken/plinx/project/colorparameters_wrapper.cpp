// plinx.project.ColorParameters: the colour handling of a clip, announced
// by propertyChanged() on every change.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

// "plinx.project.ColorParameters(0, 0, 0.000000, ...)", named after the
// object's own Python type (a subclass's name for a subclass).
PyObject* reprOf(const ColorParameters& colour)
{
    auto* self = reinterpret_cast<PyObject*>(wrapperOf(&colour));
    const char* typeName = self ? Py_TYPE(self)->tp_name : "plinx.project.ColorParameters";
    const QString text = QString::asprintf(
        "%s(%i, %i, %f, %f, %f, %f, %f)", typeName, int(colour.get_colorspace()), int(colour.get_conversion()),
        double(colour.get_offset()), double(colour.get_softclip()), double(colour.get_log_reference_white()),
        double(colour.get_log_reference_black()), double(colour.get_gamma()));
    const QByteArray local = text.toLocal8Bit();
    return PyUnicode_DecodeLocale(local.constData(), "surrogateescape");
}

} // namespace

void init_ColorParameters(PyObject* module)
{
    ObjectClass<ColorParameters> type(module);
    type.constructor(init<Colorspace, ColorConversion, float, float, float, float, float>(
        arg("colorspace", "LinearColorspace") = LinearColorspace,
        arg("conversion", "NoneConversion") = NoneConversion, arg("offset") = 0.f, arg("softclip") = 0.f,
        arg("log_reference_white") = 685.f, arg("log_reference_black") = 0.f, arg("gamma") = 1.f));
    type.repr(&reprOf);
    type.property("colorspace", &ColorParameters::get_colorspace, &ColorParameters::set_colorspace);
    type.property("conversion", &ColorParameters::get_conversion, &ColorParameters::set_conversion);
    type.property("offset", &ColorParameters::get_offset, &ColorParameters::set_offset);
    type.property("softclip", &ColorParameters::get_softclip, &ColorParameters::set_softclip);
    type.property("log_reference_white", &ColorParameters::get_log_reference_white,
                  &ColorParameters::set_log_reference_white);
    type.property("log_reference_black", &ColorParameters::get_log_reference_black,
                  &ColorParameters::set_log_reference_black);
    type.property("gamma", &ColorParameters::get_gamma, &ColorParameters::set_gamma);
    type.compare<Equal | NotEqual>();
    type.introduce();
}
