#pragma once
#include <QImage>
#include <cstdint>

// The program's own picture (About box, parameters window): a Mandelbrot
// picture of the given size in colours of `palette`, computed apart from the
// program's state so that showing it never touches the current fractal.
QImage AboutPicture(int width, int height, const uint32_t* palette);
