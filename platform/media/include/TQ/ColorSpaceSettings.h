#pragma once

// How the pixel values of a clip's footage are to be understood.
struct TQ_ColorSpaceSettings
{
    int colorSpace = 0; // 0 linear, 1 logarithmic, 2 Panalog
    // Two conversion switches: to floating point, or to 8 bits. Both may be on.
    int floatConversion = 0;
    int eightBitConversion = 0;
    float gamma = 1.0f;
    float offset = 0.0f;
    float logReferenceWhite = 685.0f;
    float logReferenceBlack = 0.0f;
    float softClip = 0.0f;

    // True when pixels must be converted before use (anything but linear
    // footage at gamma 1 without conversion switches).
    bool bConversionRequired() const
    {
        return colorSpace != 0 || floatConversion != 0 || eightBitConversion != 0 || gamma != 1.0f || offset != 0.0f
               || softClip != 0.0f;
    }
};
