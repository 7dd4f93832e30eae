#pragma once

// A frame that is not computed again: the state is left as Redraw leaves it
// after computing the frame (the pixel steps, the arbitrary-precision view
// and its texts, DeepLimit, the deep-zoom switch and the precision, the frame
// flags) but no pixel is computed, no title or window changes and no backup
// is written. A movie replays the frames it does not compute, so that the
// next unzoom step starts from exactly the view the computed frame leaves.
void ReplayFrame();
