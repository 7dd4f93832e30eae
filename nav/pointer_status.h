#pragma once
#include <cstdint>
#include <string>

// The menu window's status line for the pointer at picture pixel (x, y):
// its point of the plane to as many digits as the view's pixel step needs
// to tell neighbouring pixels apart, the magnification (3 / view height for
// Mandelbrot, 3.6 / view height for Julia, 1 for the default views),
// IterMax and the time of the last frame.
std::string PointerStatusText(int32_t x, int32_t y);

// The decimal text of `value` with the digits that a step of `step` needs:
// down to one decimal place below the step's first digit.
std::string CoordinateText(long double value, long double step);
