#pragma once
#include <cstdint>

// Whether the disc of the given radius around z maps into itself under
// `steps` iterations of z^2 + c with every image within |z| < 2: then no
// orbit from the disc ever leaves it, so none escapes. The images are
// followed as discs in T whose radii take in every rounding and c's own (c
// is known to 64 bits).
template <typename T>
bool DiscMapsIntoItself(T zr, T zi, T radius, long double cr, long double ci, int64_t steps);

extern template bool DiscMapsIntoItself<double>(double, double, double, long double, long double, int64_t);
extern template bool DiscMapsIntoItself<long double>(long double, long double, long double, long double, long double,
                                                     int64_t);
