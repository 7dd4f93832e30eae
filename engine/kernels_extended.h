#pragma once
#include <cstdint>

#include "engine/relaxed_atomic.h"

// The record one worker receives; the worker copies it before it starts.
struct WorkerRecord {
    int32_t Tag = 0;
    int32_t IterMax = 0;
    int32_t* IterOut = nullptr;
    float* ZReOut = nullptr;
    float* ZImOut = nullptr;
    int32_t IsMandelbrot = 0;
    int32_t Width = 0;
    int32_t RowsPerBand = 0;
    int32_t FirstRow = 0;
    int32_t LastRow = -1;
    double Bailout = 0;
    long double Re0 = 0;
    long double Re1 = 0;
    long double StepRe = 0;
    long double Im0 = 0;
    long double Im1 = 0;
    long double StepIm = 0;
    long double JuliaRe = 0;
    long double JuliaIm = 0;
};

// Where the pixels' fast phase runs: on the x87 stack, exact, or in vector
// lanes of doubles, for fast frames (see DoubleLanesPreciseFor).
enum class ExtendedLanes { X87, Double };

// Computes the record's band with the given variant (1..5). Variants 1 and 2
// end early when StopRequest is set; `rowsDone` counts finished rows. The
// band's pixels flagged in `escapeFree` (one byte a pixel, may be null) are
// known not to escape: they are stored as inside with A and B 0, uncomputed.
// So are pixels found settling on an attracting cycle while every |z|^2 stays
// below `trapLimit` (0: none are looked for), which only variants 1 and 2 allow.
void RunExtendedKernel(int32_t variant, const WorkerRecord& record, RelaxedAtomic<int32_t>* rowsDone,
                       const uint8_t* escapeFree = nullptr, double trapLimit = 0,
                       ExtendedLanes lanes = ExtendedLanes::X87);

// One pixel of the single-thread progressive path: the kernel result plus the
// float32 value of the last escape test, which that path colours with.
struct PixelResult {
    int32_t escape;
    float a;
    float b;
    float lastTest;
};

enum class ProgressiveLoop {
    Variant1,        // every mode but "1", "P", "Q"
    Variant2,        // mode "1"
    LaggedVariant2,  // "P" and "Q" on the first frame of a single processor
};

struct PixelSetup {
    int32_t iterMax;
    uint32_t bailoutBits;  // float32(Bailout) as a bit pattern
};

PixelSetup MakePixelSetup(int32_t iterMax, double bailout);
PixelResult IteratePixel(ProgressiveLoop loop, const PixelSetup& setup, long double zr,
                         long double zi, long double cr, long double ci);

// One pixel exactly as the band kernel of `variant` (1..5) computes it,
// its results stored to the three elements given: the Julia preview
// computes pixel by pixel with the frame kernels.
void IterateKernelPixel(int32_t variant, const PixelSetup& setup, long double zr, long double zi,
                        long double cr, long double ci, int32_t* iterOut, float* aOut, float* bOut);
