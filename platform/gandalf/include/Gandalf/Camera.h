#pragma once

// A pinhole camera: focal lengths and principal point in pixels, and skew.
struct Gan_Camera
{
    double fx = 1.0;
    double fy = 1.0;
    double x0 = 0.0;
    double y0 = 0.0;
    double skew = 0.0;
};
