#pragma once
#include <array>
#include <string>

// The logic of the "FRACTAL LOCATION" window: what its boxes show and what
// "REDRAW" does with what was typed. Plain functions over the global state,
// so tests need no window.

// The texts of the window's boxes. Only the boxes of the current kind mean
// anything: the edges and the centre form for Mandelbrot, the constant for
// Julia.
struct LocationTexts {
    std::array<std::string, 4> edges;          // Realmin, Realmax, Imagmin, Imagmax
    std::array<std::string, 3> center;         // real centre, imaginary centre, magnification
    std::array<std::string, 2> juliaConstant;  // real, imaginary
    std::string iterMax;
};

// A coordinate text as a box shows it: blanks trimmed, and a final capital
// "E0" (which the extended number texts may end in) dropped.
std::string DisplayCoordText(const std::string& text);

// Brings the texts up to the current view (for Mandelbrot also the centre
// form to the edges) and returns what the boxes show.
LocationTexts CurrentLocationTexts();

// The "Use Center/Magnification" check box. Switching it on takes the centre
// form from the current edges; the boxes are left as they are.
void ToggleCenterMag();

// "REDRAW", apart from closing the window: remembers the view it replaces,
// takes "Iter max" (rounded, at least 10) and the typed coordinates of the
// current kind (edges or centre form per UseCenterMag, or the Julia
// constant) and computes the frame. A coordinate text that is not a number
// leaves its value as it was.
void ApplyTypedLocation(const LocationTexts& typed);
