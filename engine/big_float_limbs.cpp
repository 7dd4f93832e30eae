#include "engine/big_float_limbs.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

static_assert(GMP_LIMB_BITS == 64 && GMP_NAIL_BITS == 0,
              "the limb conversion splits each GMP limb into two 32-bit halves");

namespace {

// Floor of v / 2, also for negative v (integer division truncates towards 0).
constexpr int64_t FloorHalf(int64_t v) { return (v - (v & 1)) / 2; }

uint32_t HalfOf(const mp_limb_t* limbs, size_t half)
{
    return static_cast<uint32_t>(static_cast<uint64_t>(limbs[half / 2]) >> (32 * (half % 2)));
}

bool Refuse(std::string* error, std::string message)
{
    if (error)
        *error = std::move(message);
    return false;
}

}  // namespace

int32_t PrecisionLimbs32(int32_t precisionBits)
{
    const int64_t bits = std::max<int64_t>(53, precisionBits);
    return static_cast<int32_t>((bits + 63) / 32);
}

LimbRecord ToLimbRecord(const BigFloat& value, int32_t precisionBits)
{
    LimbRecord record;
    record.precisionLimbs = PrecisionLimbs32(precisionBits);
    mpf_srcptr v = value.get();
    const mp_limb_t* d = v->_mp_d;
    const size_t n64 = static_cast<size_t>(v->_mp_size < 0 ? -static_cast<int64_t>(v->_mp_size)
                                                           : v->_mp_size);
    // GMP keeps the top limb non-zero, but low limbs may be zero padding.
    size_t top = n64;
    while (top > 0 && d[top - 1] == 0)
        --top;
    if (top == 0)
        return record;
    size_t bottom = 0;
    while (d[bottom] == 0)
        ++bottom;

    // Clamp before doubling so no exponent GMP can hold overflows int64.
    constexpr int64_t kExponentLimit = int64_t{1} << 40;
    const int64_t e64 = std::clamp<int64_t>(static_cast<int64_t>(v->_mp_exp)
                                                - static_cast<int64_t>(n64 - top),
                                            -kExponentLimit, kExponentLimit);
    int64_t e32 = 2 * e64;
    size_t lo = 2 * bottom;
    size_t hi = 2 * top;
    if (HalfOf(d, hi - 1) == 0) {
        --hi;
        --e32;
    }
    if (HalfOf(d, lo) == 0)
        ++lo;
    // A 32-bit-limb value at this precision holds precisionLimbs + 1 limbs,
    // and readers refuse more; the low ones go, the exponent stays.
    const size_t most = static_cast<size_t>(record.precisionLimbs) + 1;
    if (hi - lo > most) {
        lo = hi - most;
        while (HalfOf(d, lo) == 0)  // the top half is non-zero
            ++lo;
    }

    record.limbs.reserve(hi - lo);
    for (size_t half = lo; half < hi; ++half)
        record.limbs.push_back(HalfOf(d, half));
    const int32_t count = static_cast<int32_t>(hi - lo);
    record.signedCount = v->_mp_size < 0 ? -count : count;
    record.exponent = static_cast<int32_t>(std::clamp<int64_t>(
        e32, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    return record;
}

bool FromLimbRecord(const LimbRecord& record, BigFloat& value, std::string* error)
{
    if (!value.created())
        return Refuse(error, "limb record: the destination value has not been created");
    const int64_t count = record.signedCount < 0 ? -static_cast<int64_t>(record.signedCount)
                                                 : record.signedCount;
    if (static_cast<uint64_t>(count) != record.limbs.size())
        return Refuse(error, "limb record: count " + std::to_string(record.signedCount)
                                 + " does not match the " + std::to_string(record.limbs.size())
                                 + " limbs stored");

    // Other writers may leave zero limbs at either end; GMP wants them gone.
    const uint32_t* limbs = record.limbs.data();
    int64_t lo = 0;
    int64_t hi = count;
    int64_t e32 = record.exponent;
    while (hi > lo && limbs[hi - 1] == 0) {
        --hi;
        --e32;
    }
    while (lo < hi && limbs[lo] == 0)
        ++lo;
    mpf_ptr v = value.get();
    if (lo == hi) {
        mpf_set_ui(v, 0);
        return true;
    }

    // Limb positions in units of 32 bits; the 64-bit limb at position q holds
    // the 32-bit positions 2q and 2q + 1.
    const int64_t n32 = hi - lo;
    const int64_t lowest32 = e32 - n32;
    const int64_t top64 = FloorHalf(e32 - 1);
    const int64_t bottom64 = FloorHalf(lowest32);
    const int64_t e64 = top64 + 1;
    const int64_t n64 = top64 - bottom64 + 1;
    const int64_t capacity = static_cast<int64_t>(v->_mp_prec) + 1;
    if (n64 > capacity)
        return Refuse(error, "limb record: " + std::to_string(n32) + " limbs need "
                                 + std::to_string(n64) + " 64-bit limbs but the value holds at most "
                                 + std::to_string(capacity));
    if (e64 > std::numeric_limits<mp_exp_t>::max() || bottom64 < std::numeric_limits<mp_exp_t>::min())
        return Refuse(error, "limb record: exponent " + std::to_string(record.exponent)
                                 + " is out of range");

    mp_limb_t* d = v->_mp_d;
    std::fill(d, d + n64, mp_limb_t{0});
    for (int64_t i = 0; i < n32; ++i) {
        const int64_t position = lowest32 + i;
        const int64_t q = FloorHalf(position);
        const uint64_t half = static_cast<uint64_t>(limbs[lo + i]) << (32 * (position - 2 * q));
        d[q - bottom64] |= static_cast<mp_limb_t>(half);
    }
    v->_mp_size = static_cast<int>(record.signedCount < 0 ? -n64 : n64);
    v->_mp_exp = static_cast<mp_exp_t>(e64);
    return true;
}
