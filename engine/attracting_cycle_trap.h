#pragma once

// True when the orbit of z under z^2 + c, computed step by step in long
// double as the extended kernels do (every rounding included), provably keeps
// |z|^2 below `limit` for ever: z lies in a disc that p steps of the map
// (p <= MaxTrapPeriod, the roundings added) take into itself, and none of the
// discs on the way reaches the limit. Pixels settling on an attracting cycle
// pass sooner or later; any other orbit fails.
constexpr int MaxTrapPeriod = 16;
bool TrappedByAttractingCycle(long double zr, long double zi, long double cr, long double ci, double limit);
