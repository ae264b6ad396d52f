// The enumerations of plinx.project; their members are module attributes too.

#include "plinx_project_python.h"

using Binding::enumeration;

void init_Colorspace(PyObject* module)
{
    enumeration<Colorspace>(module, {{"LinearColorspace", LinearColorspace},
                                     {"LogColorspace", LogColorspace},
                                     {"PanalogColorspace", PanalogColorspace}});
}

void init_ColorConversion(PyObject* module)
{
    enumeration<ColorConversion>(module, {{"NoneConversion", NoneConversion},
                                          {"FloatConversion", FloatConversion},
                                          {"_8BitConversion", _8BitConversion}});
}

void init_PixelFormat(PyObject* module)
{
    enumeration<PixelFormat>(module, {{"GreyLevelFormat", GreyLevelFormat},
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
                                      {"UndefinedFormat", UndefinedFormat}});
}

void init_ChannelType(PyObject* module)
{
    enumeration<ChannelType>(module, {{"CharType", CharType},
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
                                      {"UndefinedType", UndefinedType}});
}

void init_InterlaceMode(PyObject* module)
{
    enumeration<InterlaceMode>(module, {{"NotInterlaced", NotInterlaced},
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
                                        {"InvalidInterlaceMode", InvalidInterlaceMode}});
}

void init_ColorizeOutput(PyObject* module)
{
    enumeration<ColorizeOutput>(module, {{"Grayscale", Grayscale}, {"ByMatteColor", ByMatteColor}, {"ByLayer", ByLayer}});
}
