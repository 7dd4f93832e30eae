#pragma once
#include <cstdint>

#include "engine/big_float.h"
#include "engine/reference_orbit.h"
#include "engine/relaxed_atomic.h"

// A deep Mandelbrot view is governed by the minibrot of lowest period whose
// nucleus lies in it. Its nucleus c0 has a periodic orbit (Z_period = 0) that
// never escapes, so every pixel near it can follow it to the end, rebasing
// each time its own orbit returns near 0.

// The period of that minibrot, from the orbit of 0 under a point of the view:
// the first n at which the disc of parameters within `radius` of that point
// may hold an orbit through 0 (|Z_n| below the disc's image radius). 0 when
// the disc's image grows past 2 before that, within the orbit's values.
int64_t BallPeriod(const ReferenceOrbit& orbit, long double radius);

// Newton's method on Z_period(c) = 0 from c (re, im), in place. True when
// the steps shrank below `tolerance` within maxSteps steps (each takes
// `period` iterations of z and its derivative); false, c unspecified,
// otherwise or on StopRequest.
bool RefineNucleus(BigFloat& re, BigFloat& im, int64_t period, mpf_srcptr tolerance, int32_t bits,
                   int32_t maxSteps);
