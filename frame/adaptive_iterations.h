#pragma once
#include <cstdint>
#include <functional>
#include <vector>

// "Adaptive iter max": a frame whose picture IterMax cuts off is computed
// again with more iterations until the picture settles. Never lowers IterMax.

constexpr int32_t AdaptiveIterMaxLimit = 2000000;

// Escape values (0 = inside) of a frame computed with iterMax show it cut
// off: a noticeable share of inside pixels while the escaped ones crowd the
// top quarter of the counts the view spans, or none escaped at all.
bool PictureCutOff(const std::vector<int32_t>& escapes, int32_t iterMax);

// The share of pixels inside before that escaped after more iterations.
double ShareNewlyEscaped(const std::vector<int32_t>& before, const std::vector<int32_t>& after);

// Runs computeFrame, then, with "Adaptive iter max" on, raises IterMax and
// runs it again while the picture is cut off, it still changes (or stays
// all inside for a few rounds), Esc was not pressed and the time budget
// allows another frame.
void ComputeWithAdaptiveIterMax(const std::function<void()>& computeFrame);

// Before the frame of a zoom into the pixels [x0, x1) x [y0, y1) of the
// picture shown: with "Adaptive iter max" on, where that part of the last
// adaptive frame is cut off by IterMax and twice the iterations fit the time
// budget, IterMax is doubled at once, so that the new view is not computed
// twice. Nothing happens once the picture shown is not that frame's.
void RaiseIterMaxForZoomInto(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
