#pragma once
#include <cstdint>

#include "engine/big_float.h"

// Points whose orbit returns exactly: z_(preperiod + period) = z_preperiod.
// Nuclei of minibrots (preperiod 0: z_period = z_0 = 0) and Misiurewicz
// points (the orbit lands on a repelling cycle) make references whose orbit
// never escapes, so it is known for ever from its first values.
struct OrbitReturn {
    int64_t preperiod = 0;
    int64_t period = 0;
};

// Newton's method on z_(preperiod + period) - z_preperiod = 0 from the point
// (re, im), in place: the point is c, with z_0 = 0, where julia is null,
// else z_0 under the constant julia[0] + julia[1] i. True when the steps
// shrank below `tolerance` within maxSteps steps; false, the point
// unspecified, otherwise or on StopRequest.
bool RefineOrbitReturn(BigFloat& re, BigFloat& im, const OrbitReturn& orbitReturn, const mpf_srcptr* julia,
                       mpf_srcptr tolerance, int32_t bits, int32_t maxSteps);
