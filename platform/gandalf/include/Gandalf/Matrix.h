#pragma once

// A 3x3 matrix of doubles, row by row: (xx, xy, xz), (yx, yy, yz), (zx, zy, zz).
// It acts on column vectors (x, y, 1).
struct Gan_Matrix33
{
    double xx, xy, xz;
    double yx, yy, yz;
    double zx, zy, zz;
};

// The identity.
inline Gan_Matrix33 gan_mat33_ident_s()
{
    return Gan_Matrix33{1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
}
