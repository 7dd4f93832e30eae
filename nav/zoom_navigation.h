#pragma once
#include <cstdint>

// The view maths behind the picture window's mouse: click zoom, box zoom,
// right-click unzoom and the Julia constant picked by a press. Plain
// functions over the global state, so tests need no window. Pixel x counts
// from 0 at the left, y from 0 at the top; row 0 is the Imagmin edge.
//
// Mouse positions are clamped to 0..PicWidth and 0..PicHeight: the far edge
// is the view's max edge, so a box can reach it, and the unsigned multiplies
// of the arbitrary-precision forms never see a negative offset.

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};

extern PixelPoint PressPoint;    // last left press (the Julia release also lands here)
extern PixelPoint ReleasePoint;  // where the last box ended
// Half width and height of the extended view before the last ScaleView;
// the deep form leaves them alone (the movie's stop rule relies on that).
extern double ZoomHalfWidth, ZoomHalfHeight;

// A picture counts as finished for the mouse once any frame has been shown.
bool PictureFinished();

// Left press: ignored until a picture is finished; remembers the point and,
// on a Mandelbrot picture before any Julia view was set, picks the constant.
void PressAt(int32_t x, int32_t y);
// The Julia constant := the point under (x, y), extended and (deep) BigFloat.
void PickJuliaConstant(int32_t x, int32_t y);

// Release without boxed zoom: halves the view about the press point
// (Mandelbrot) or the release point (Julia). Before any finished picture it
// only asks for a repaint.
void ClickZoom(int32_t x, int32_t y);
// Release of a box started at PressPoint. A box without width or height
// changes nothing and returns false (the caller keeps the box active).
bool BoxZoom(int32_t releaseX, int32_t releaseY);

// Scales the current view about its centre; factor > 1 widens it. The
// magnification of a Mandelbrot view follows, so DeepLimit stays current.
void ScaleView(float factor);
// The mouse wheel: scales the view by `factor` (0.5 in, 2 out per notch)
// about pixel (x, y), which keeps its point of the plane. Once the current
// picture is complete, as a right click; false when nothing changed.
bool ZoomAboutPixel(int32_t x, int32_t y, float factor);
// A drag by (dx, dy) pixels (or an arrow key): the view moves so that the
// picture follows the mouse; its size and steps stay. False when nothing changed.
bool MoveView(int32_t dx, int32_t dy);

// The picture becomes width x height pixels with the same steps: the
// edges grow or shrink by whole pixels on each side (the odd pixel at the
// max edge), so the centre stays within half a pixel and every pixel both
// pictures share keeps its point of the plane. PicWidth and PicHeight (and
// the buffers) are already the new size.
void ResizeView(int32_t oldWidth, int32_t oldHeight, int32_t width, int32_t height);

// IterMax := max(IterMax, 100 * |DeepLimit|, doubled for Julia).
void RaiseIterMax();
// Right press: unzoom by 2 once the current picture is complete.
void RightClick();
