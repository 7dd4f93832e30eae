#pragma once

// Brings the arbitrary-precision view in line with the extended view after
// an extended frame.
void ExtendedToBigFloats();
