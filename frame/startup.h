#pragma once
#include <cstdint>
#include <string>

// The start-up steps that need no window: defaults, buffers, the default
// palette and the view reset. A processor count of 0 is asked for.
void StartUpEngine(int32_t screenWidth, int32_t screenHeight, int32_t processorCount);

// The typed answer to the processor question: rounded, halves to even, at least 1.
int32_t ProcessorCountFromAnswer(const std::string& answer);

// The reset behind "Original Mandelbrot", after the question has been answered.
void OriginalMandelbrot();
