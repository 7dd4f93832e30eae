#pragma once
#include <cstdint>
#include <vector>

#include "engine/big_float.h"
#include "engine/relaxed_atomic.h"

// The record handed to one arbitrary-precision worker.
struct DeepWorkItem {
    int32_t ThreadIndex = 0;
    int32_t IterMax = 0;
    int32_t* IterOut = nullptr;
    float* ZReOut = nullptr;
    float* ZImOut = nullptr;
    int32_t Precision = 96;
    int32_t IsMandelbrot = 1;
    int32_t Columns = 0;
    int32_t RowsPerWorker = 0;
    int32_t FirstRow = 0;
    int32_t LastRow = -1;
    double Bailout = 0;
    BigFloat RealStart;
    BigFloat RealStep;
    BigFloat ImagStart;
    BigFloat ImagStep;
    BigFloat JuliaRe;
    BigFloat JuliaIm;
};

// Rows each worker still has to compute, for the progress display.
extern std::vector<RelaxedAtomic<int32_t>> DeepRowsLeft;

// Computes the item's rows with the given variant (1..5); ends at the first
// pixel boundary after StopRequest is set.
void RunDeepKernel(int32_t variant, const DeepWorkItem& item);
