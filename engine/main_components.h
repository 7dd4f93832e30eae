#pragma once

// The two largest parts of the Mandelbrot set's interior have closed forms:
// c lies inside the main cardioid where the fixed point's multiplier
// 1 - sqrt(1 - 4c) lies inside the unit circle, and inside the disc of
// period 2 where the 2-cycle's multiplier 4 (c + 1) does.
enum class MainComponentCover {
    None,  // no point of the disc qualifies
    Part,  // some may
    All,   // every point qualifies
};

// Whether the points of the disc around (re, im) lie in one of them with the
// attracting cycle's multiplier at most 1 - 2^-12 in modulus and every orbit
// of 0 below `limit` in |z|^2. There, the orbit of 0 stays in the cycle's
// basin, far from escaping, and the roundings of a long double step (about
// 2^-64) cannot carry it out: the kernels' orbits never escape.
MainComponentCover MainComponentsCover(double re, double im, double radius, double limit);
