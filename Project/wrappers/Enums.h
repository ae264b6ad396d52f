#pragma once

// Enumerations of the scripting API, with the numbers that scripts see.

enum Colorspace
{
    LinearColorspace = 0,
    LogColorspace = 1,
    PanalogColorspace = 2,
};

enum ColorConversion
{
    NoneConversion = 0,
    FloatConversion = 1,
    _8BitConversion = 2,
};

// The numbers of the image library's image formats.
enum PixelFormat
{
    GreyLevelFormat = 0,
    GreyLevelAlphaFormat = 1,
    RGBColorFormat = 2,
    RGBColorAlphaFormat = 3,
    BGRColorFormat = 4,
    BGRColorAlphaFormat = 5,
    VectorField2DFormat = 6,
    VectorField3DFormat = 7,
    RGBXFormat = 8,
    RGBASFormat = 9,
    YUVX444Format = 10,
    YUVA444Format = 11,
    YUV422Format = 12,
    UndefinedFormat = 13,
};

// The numbers of the image library's channel types.
enum ChannelType
{
    CharType = 0,
    UCharType = 1,
    ShortType = 2,
    UShortType = 3,
    IntType = 4,
    UIntType = 5,
    LongType = 6,
    ULongType = 7,
    FloatType = 8,
    DoubleType = 9,
    LongDoubleType = 10,
    StringType = 11,
    BoolType = 12,
    PointerType = 13,
    LongLongType = 14,
    UInt10Type = 15,
    UInt12Type = 16,
    UndefinedType = 17,
};

// The numbers of the media library's interlace modes.
enum InterlaceMode
{
    NotInterlaced = 0,
    UpperFieldFirst = 1,
    LowerFieldFirst = 2,
    _32PulldownUpFirstAA = 3,
    _32PulldownUpFirstBB = 4,
    _32PulldownUpFirstBC = 5,
    _32PulldownUpFirstCD = 6,
    _32PulldownUpFirstDD = 7,
    _32PulldownLoFirstAA = 8,
    _32PulldownLoFirstBB = 9,
    _32PulldownLoFirstBC = 10,
    _32PulldownLoFirstCD = 11,
    _32PulldownLoFirstDD = 12,
    InvalidInterlaceMode = 13,
};

enum ColorizeOutput
{
    Grayscale = 0,
    ByMatteColor = 1,
    ByLayer = 2,
};
