#include "engine/view_conversions.h"

void ExtendedToBigFloats()
{
    // The arbitrary-precision view arrives with deep zoom.
}
