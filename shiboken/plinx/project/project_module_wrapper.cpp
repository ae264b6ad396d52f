// Start-up of the module plinx.project.

#include "plinx_project_python.h"


namespace Sbkplinx_project_details {
Binding::Module module{"plinx.project"};
}

namespace {

using Sbkplinx_project_details::module;

PyMethodDef moduleFunctions[] = {
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef moduleDefinition = {
    PyModuleDef_HEAD_INIT, "project", nullptr, -1, moduleFunctions, nullptr, nullptr, nullptr, nullptr,
};

bool createEnumerations(PyObject* m)
{
    using Binding::enumeration;
    return enumeration<Colorspace>(m, module, SBK_COLORSPACE_IDX, "Colorspace",
                                   {{"LinearColorspace", LinearColorspace},
                                    {"LogColorspace", LogColorspace},
                                    {"PanalogColorspace", PanalogColorspace}})
        && enumeration<ColorConversion>(m, module, SBK_COLORCONVERSION_IDX, "ColorConversion",
                                        {{"NoneConversion", NoneConversion},
                                         {"FloatConversion", FloatConversion},
                                         {"_8BitConversion", _8BitConversion}})
        && enumeration<PixelFormat>(m, module, SBK_PIXELFORMAT_IDX, "PixelFormat",
                                    {{"GreyLevelFormat", GreyLevelFormat},
                                     {"GreyLevelAlphaFormat", GreyLevelAlphaFormat},
                                     {"RGBColorFormat", RGBColorFormat},
                                     {"RGBColorAlphaFormat", RGBColorAlphaFormat},
                                     {"BGRColorFormat", BGRColorFormat},
                                     {"BGRColorAlphaFormat", BGRColorAlphaFormat},
                                     {"VectorField2DFormat", VectorField2DFormat},
                                     {"VectorField3DFormat", VectorField3DFormat},
                                     {"RGBXFormat", RGBXFormat},
                                     {"RGBASFormat", RGBASFormat},
                                     {"YUVX444Format", YUVX444Format},
                                     {"YUVA444Format", YUVA444Format},
                                     {"YUV422Format", YUV422Format},
                                     {"UndefinedFormat", UndefinedFormat}})
        && enumeration<ChannelType>(m, module, SBK_CHANNELTYPE_IDX, "ChannelType",
                                    {{"CharType", CharType},
                                     {"UCharType", UCharType},
                                     {"ShortType", ShortType},
                                     {"UShortType", UShortType},
                                     {"IntType", IntType},
                                     {"UIntType", UIntType},
                                     {"LongType", LongType},
                                     {"ULongType", ULongType},
                                     {"FloatType", FloatType},
                                     {"DoubleType", DoubleType},
                                     {"LongDoubleType", LongDoubleType},
                                     {"StringType", StringType},
                                     {"BoolType", BoolType},
                                     {"PointerType", PointerType},
                                     {"LongLongType", LongLongType},
                                     {"UInt10Type", UInt10Type},
                                     {"UInt12Type", UInt12Type},
                                     {"UndefinedType", UndefinedType}})
        && enumeration<InterlaceMode>(m, module, SBK_INTERLACEMODE_IDX, "InterlaceMode",
                                      {{"NotInterlaced", NotInterlaced},
                                       {"UpperFieldFirst", UpperFieldFirst},
                                       {"LowerFieldFirst", LowerFieldFirst},
                                       {"_32PulldownUpFirstAA", _32PulldownUpFirstAA},
                                       {"_32PulldownUpFirstBB", _32PulldownUpFirstBB},
                                       {"_32PulldownUpFirstBC", _32PulldownUpFirstBC},
                                       {"_32PulldownUpFirstCD", _32PulldownUpFirstCD},
                                       {"_32PulldownUpFirstDD", _32PulldownUpFirstDD},
                                       {"_32PulldownLoFirstAA", _32PulldownLoFirstAA},
                                       {"_32PulldownLoFirstBB", _32PulldownLoFirstBB},
                                       {"_32PulldownLoFirstBC", _32PulldownLoFirstBC},
                                       {"_32PulldownLoFirstCD", _32PulldownLoFirstCD},
                                       {"_32PulldownLoFirstDD", _32PulldownLoFirstDD},
                                       {"InvalidInterlaceMode", InvalidInterlaceMode}})
        && enumeration<ColorizeOutput>(m, module, SBK_COLORIZEOUTPUT_IDX, "ColorizeOutput",
                                       {{"Grayscale", Grayscale},
                                        {"ByMatteColor", ByMatteColor},
                                        {"ByLayer", ByLayer}});
}

} // namespace

extern "C" Q_DECL_EXPORT PyObject* PyInit_project()
{
    module.setPythonError = &Binding::translateException;
    if (!Binding::Module::importBindingModule("PySide2.QtCore")
        || !Binding::Module::importBindingModule("PySide2.QtGui"))
        return nullptr;

    static PyTypeObject* types[SBK_plinx_project_IDX_COUNT];
    static SbkConverter* converters[SBK_plinx_project_CONVERTERS_IDX_COUNT];
    PyObject* m = module.create(&moduleDefinition, types, converters);
    if (!m)
        return nullptr;

    // Types in their fixed order of registration.
    init_View(m);
    init_StreamInfo(m);
    init_ViewInfo(m);
    init_ProgressWatcher(m);

    registerProjectConversions();

    if (!createEnumerations(m))
        return nullptr;
    return module.finish(m, "can't initialize module project");
}
