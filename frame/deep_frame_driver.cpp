#include "frame/frame_driver.h"

void RunDeepFrame()
{
    // Arbitrary-precision frames arrive with deep zoom.
}
