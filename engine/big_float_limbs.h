#pragma once
#include "engine/big_float.h"

#include <cstdint>
#include <string>
#include <vector>

// A value in the 32-bit-limb layout that parameter files use, whatever limb
// size the GMP in hand was built with. Value =
// sign(signedCount) * sum(limbs[i] * 2^(32 * (exponent - |signedCount| + i))).
struct LimbRecord {
    int32_t precisionLimbs = 0;  // what a 32-bit-limb library keeps at PrecisionBits
    int32_t signedCount = 0;     // |count| limbs, sign of the value; 0 is the value 0
    int32_t exponent = 0;        // in 32-bit limbs
    int32_t reserved = 0;        // written as 0, ignored when read
    std::vector<uint32_t> limbs; // least significant first
};

// The header's precision field for a value created at precisionBits.
int32_t PrecisionLimbs32(int32_t precisionBits);

// Minimal (top and bottom limbs non-zero) and at most precisionLimbs + 1
// limbs, what a 32-bit-limb value created at precisionBits holds. A 64-bit-limb
// value may carry more bits: its least significant limbs are dropped (the
// value truncated towards zero, exponent unchanged), so a value that fits is
// kept exactly. An exponent beyond what 32-bit limbs can express is clamped.
LimbRecord ToLimbRecord(const BigFloat& value, int32_t precisionBits);

// Inverse of ToLimbRecord: the value the record holds, bit for bit. Refuses
// (false, reason in *error, value untouched) a count that disagrees with
// limbs.size(), a record that needs more limbs than the value can hold, or a
// value that was never created.
bool FromLimbRecord(const LimbRecord& record, BigFloat& value, std::string* error);
