#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "engine/big_float_limbs.h"

namespace {

constexpr int32_t kPrecisions[] = {96, 112, 368, 1000, 3696};

// The bits GMP holds for a value, minus any zero limbs below the lowest set
// bit: those carry nothing and the stored form does not keep them.
struct SignificantLimbs {
    int size = 0;
    mp_exp_t exp = 0;
    std::vector<mp_limb_t> limbs;
};

SignificantLimbs SignificantOf(const BigFloat& value)
{
    mpf_srcptr v = value.get();
    const int n = std::abs(v->_mp_size);
    int low = 0;
    while (low < n && v->_mp_d[low] == 0)
        ++low;
    SignificantLimbs out;
    out.size = v->_mp_size < 0 ? -(n - low) : n - low;
    out.exp = v->_mp_exp;
    out.limbs.assign(v->_mp_d + low, v->_mp_d + n);
    return out;
}

void ExpectBitIdentical(const BigFloat& expected, const BigFloat& actual)
{
    EXPECT_EQ(mpf_cmp(expected.get(), actual.get()), 0);
    const SignificantLimbs want = SignificantOf(expected);
    EXPECT_EQ(actual.get()->_mp_size, want.size);
    EXPECT_EQ(actual.get()->_mp_exp, want.exp);
    const int n = std::abs(actual.get()->_mp_size);
    EXPECT_EQ(std::vector<mp_limb_t>(actual.get()->_mp_d, actual.get()->_mp_d + n), want.limbs);
}

// The record's meaning computed term by term with GMP arithmetic, so the
// encoding is checked against its definition rather than against the decoder.
void ValueOfRecord(const LimbRecord& record, BigFloat& out)
{
    const int64_t n = static_cast<int64_t>(record.limbs.size());
    out.Create(static_cast<int32_t>(32 * n + 64));
    BigFloat term(static_cast<int32_t>(32 * n + 64));
    for (int64_t i = 0; i < n; ++i) {
        mpf_set_ui(term.get(), record.limbs[i]);
        const int64_t shift = 32 * (int64_t{record.exponent} - n + i);
        if (shift >= 0)
            mpf_mul_2exp(term.get(), term.get(), static_cast<mp_bitcnt_t>(shift));
        else
            mpf_div_2exp(term.get(), term.get(), static_cast<mp_bitcnt_t>(-shift));
        mpf_add(out.get(), out.get(), term.get());
    }
    if (record.signedCount < 0)
        mpf_neg(out.get(), out.get());
}

// `value` cut towards zero to its `limbs` most significant 32-bit limbs,
// counted from the limb boundary just above it: what a 32-bit-limb value
// holding at most that many limbs keeps of it.
void KeepTop32BitLimbs(const BigFloat& value, int64_t limbs, BigFloat& out)
{
    const int32_t bits = static_cast<int32_t>(mpf_get_prec(value.get()) + 32 * limbs + 128);
    out.Create(bits);
    if (mpf_sgn(value.get()) == 0)
        return;
    long exp2 = 0;  // |value| < 2^exp2
    mpf_get_d_2exp(&exp2, value.get());
    int64_t top = exp2 / 32;  // the limb exponent: ceil(exp2 / 32)
    if (32 * top < exp2)
        ++top;
    const int64_t shift = 32 * (limbs - top);
    BigFloat scaled(bits);
    if (shift >= 0)
        mpf_mul_2exp(scaled.get(), value.get(), static_cast<mp_bitcnt_t>(shift));
    else
        mpf_div_2exp(scaled.get(), value.get(), static_cast<mp_bitcnt_t>(-shift));
    mpz_t whole;
    mpz_init(whole);
    mpz_set_f(whole, scaled.get());  // truncates towards zero
    mpf_set_z(out.get(), whole);
    mpz_clear(whole);
    if (shift >= 0)
        mpf_div_2exp(out.get(), out.get(), static_cast<mp_bitcnt_t>(shift));
    else
        mpf_mul_2exp(out.get(), out.get(), static_cast<mp_bitcnt_t>(-shift));
}

void ExpectSameRecord(const LimbRecord& a, const LimbRecord& b)
{
    EXPECT_EQ(a.precisionLimbs, b.precisionLimbs);
    EXPECT_EQ(a.signedCount, b.signedCount);
    EXPECT_EQ(a.exponent, b.exponent);
    EXPECT_EQ(a.limbs, b.limbs);
}

// A record with non-zero limbs 0x80000001, 0x80000002, ... at the given exponent.
LimbRecord PatternRecord(int32_t signedCount, int32_t exponent)
{
    LimbRecord record;
    record.signedCount = signedCount;
    record.exponent = exponent;
    for (int32_t i = 0; i < std::abs(signedCount); ++i)
        record.limbs.push_back(0x80000001u + static_cast<uint32_t>(i));
    return record;
}

void SetPowerOfTwo(mpf_ptr v, int exponent)
{
    mpf_set_ui(v, 1);
    if (exponent >= 0)
        mpf_mul_2exp(v, v, static_cast<mp_bitcnt_t>(exponent));
    else
        mpf_div_2exp(v, v, static_cast<mp_bitcnt_t>(-exponent));
}

TEST(LimbRecord, HeaderPrecisionFollowsThe32BitLibrary)
{
    EXPECT_EQ(PrecisionLimbs32(96), 4);
    EXPECT_EQ(PrecisionLimbs32(53), 3);
    EXPECT_EQ(PrecisionLimbs32(1), 3);
    EXPECT_EQ(PrecisionLimbs32(0), 3);
    EXPECT_EQ(PrecisionLimbs32(64), 3);
    EXPECT_EQ(PrecisionLimbs32(65), 4);
    EXPECT_EQ(PrecisionLimbs32(112), 5);
    EXPECT_EQ(PrecisionLimbs32(368), 13);
    EXPECT_EQ(PrecisionLimbs32(3696), 117);

    BigFloat one(3696);
    mpf_set_ui(one.get(), 1);
    EXPECT_EQ(ToLimbRecord(one, 3696).precisionLimbs, 117);
    EXPECT_EQ(ToLimbRecord(one, 3696).reserved, 0);
}

TEST(LimbRecord, KnownEncodingsInBothDirections)
{
    struct Known {
        const char* name;
        std::function<void(mpf_ptr)> set;
        int32_t count;
        int32_t exponent;
        std::vector<uint32_t> limbs;
    };
    const Known known[] = {
        {"1", [](mpf_ptr v) { mpf_set_ui(v, 1); }, 1, 1, {1}},
        {"0.5", [](mpf_ptr v) { mpf_set_d(v, 0.5); }, 1, 0, {0x80000000u}},
        {"-2^32", [](mpf_ptr v) { SetPowerOfTwo(v, 32); mpf_neg(v, v); }, -1, 2, {1}},
        {"2^-40", [](mpf_ptr v) { SetPowerOfTwo(v, -40); }, 1, -1, {0x01000000u}},
        // High half of the only 64-bit limb is zero: odd exponent.
        {"2^64", [](mpf_ptr v) { SetPowerOfTwo(v, 64); }, 1, 3, {1}},
        {"2^32+1", [](mpf_ptr v) { mpf_set_ui(v, (1ul << 32) + 1); }, 2, 2, {1, 1}},
        {"-(1+2^-32)", [](mpf_ptr v) {
             SetPowerOfTwo(v, -32);
             mpf_add_ui(v, v, 1);
             mpf_neg(v, v);
         }, -2, 1, {1, 1}},
        {"2^-65", [](mpf_ptr v) { SetPowerOfTwo(v, -65); }, 1, -2, {0x80000000u}},
    };
    for (const Known& k : known) {
        SCOPED_TRACE(k.name);
        BigFloat value(96);
        k.set(value.get());
        const LimbRecord record = ToLimbRecord(value, 96);
        EXPECT_EQ(record.precisionLimbs, 4);
        EXPECT_EQ(record.signedCount, k.count);
        EXPECT_EQ(record.exponent, k.exponent);
        EXPECT_EQ(record.limbs, k.limbs);

        BigFloat back(96);
        std::string error;
        ASSERT_TRUE(FromLimbRecord(record, back, &error)) << error;
        EXPECT_EQ(mpf_cmp(back.get(), value.get()), 0);
    }
}

TEST(LimbRecord, RoundTripsBitForBitWhatA32BitValueHolds)
{
    const std::pair<const char*, std::function<void(mpf_ptr)>> values[] = {
        {"0", [](mpf_ptr v) { mpf_set_ui(v, 0); }},
        {"1/3", [](mpf_ptr v) { mpf_set_ui(v, 1); mpf_div_ui(v, v, 3); }},
        {"-1/3", [](mpf_ptr v) { mpf_set_si(v, -1); mpf_div_ui(v, v, 3); }},
        {"sqrt 2", [](mpf_ptr v) { mpf_sqrt_ui(v, 2); }},
        {"-sqrt 2 / 7", [](mpf_ptr v) { mpf_sqrt_ui(v, 2); mpf_div_ui(v, v, 7); mpf_neg(v, v); }},
        {"1e-300", [](mpf_ptr v) { mpf_set_str(v, "1e-300", 10); }},
        {"-1e-300", [](mpf_ptr v) { mpf_set_str(v, "-1e-300", 10); }},
        {"1e300", [](mpf_ptr v) { mpf_set_str(v, "1e300", 10); }},
        // Parsed 0.5 keeps zero limbs below its one set bit.
        {"0.5 parsed", [](mpf_ptr v) { mpf_set_str(v, "0.5", 10); }},
        {"integer", [](mpf_ptr v) { mpf_set_str(v, "-12345678901234567890123456789", 10); }},
    };
    // Shifts by odd and even multiples of 32 bits, and by less, put the value
    // at every alignment of 32-bit limbs within 64-bit ones.
    const int shifts[] = {0, 1, 31, 32, 33, 64, 200, -1, -32, -33, -64, -97, -1000};

    std::set<int> parities;
    bool sawNegativeExponent = false;
    bool sawTruncation = false;
    bool sawFullRecordKeptExactly = false;
    for (const int32_t bits : kPrecisions) {
        for (const auto& [name, set] : values) {
            for (const int shift : shifts) {
                SCOPED_TRACE(std::to_string(bits) + " bits, " + name + " * 2^" + std::to_string(shift));
                BigFloat original(bits);
                set(original.get());
                if (shift >= 0)
                    mpf_mul_2exp(original.get(), original.get(), static_cast<mp_bitcnt_t>(shift));
                else
                    mpf_div_2exp(original.get(), original.get(), static_cast<mp_bitcnt_t>(-shift));

                const LimbRecord record = ToLimbRecord(original, bits);
                const int64_t most = int64_t{PrecisionLimbs32(bits)} + 1;
                EXPECT_EQ(record.precisionLimbs, PrecisionLimbs32(bits));
                EXPECT_EQ(static_cast<size_t>(std::abs(record.signedCount)), record.limbs.size());
                EXPECT_LE(static_cast<int64_t>(record.limbs.size()), most);
                if (record.limbs.empty()) {
                    EXPECT_EQ(record.exponent, 0);
                } else {
                    EXPECT_NE(record.limbs.front(), 0u);
                    EXPECT_NE(record.limbs.back(), 0u);
                    parities.insert(record.exponent & 1);
                    sawNegativeExponent |= record.exponent < 0;
                }
                // A 64-bit-limb value may hold more than a 32-bit one of the
                // same precision; the record keeps what the latter would.
                BigFloat kept;
                KeepTop32BitLimbs(original, most, kept);
                const bool truncated = mpf_cmp(kept.get(), original.get()) != 0;
                sawTruncation |= truncated;
                sawFullRecordKeptExactly |= !truncated && static_cast<int64_t>(record.limbs.size()) == most;
                BigFloat meaning;
                ValueOfRecord(record, meaning);
                EXPECT_EQ(mpf_cmp(meaning.get(), kept.get()), 0);

                BigFloat back(bits);
                mpf_set_si(back.get(), -7);  // stale contents must not survive
                std::string error;
                ASSERT_TRUE(FromLimbRecord(record, back, &error)) << error;
                ExpectBitIdentical(truncated ? kept : original, back);
                ExpectSameRecord(ToLimbRecord(back, bits), record);
            }
        }
    }
    EXPECT_EQ(parities.size(), 2u);
    EXPECT_TRUE(sawNegativeExponent);
    EXPECT_TRUE(sawTruncation);
    EXPECT_TRUE(sawFullRecordKeptExactly);
}

TEST(LimbRecord, DroppedLowLimbsLeaveAMinimalRecordAtTheSameExponent)
{
    // 96 bits: a 32-bit-limb value holds 5 limbs. 2^32 + 2^-128 spans 6 of
    // them (3 64-bit limbs); keeping the top 5 leaves only the 2^32, so the
    // record shrinks to a single limb.
    for (const int sign : {1, -1}) {
        SCOPED_TRACE(sign);
        BigFloat value(96);
        SetPowerOfTwo(value.get(), -128);
        mpf_add_ui(value.get(), value.get(), 1ul << 32);
        if (sign < 0)
            mpf_neg(value.get(), value.get());
        ASSERT_EQ(std::abs(value.get()->_mp_size), 3);  // the low bit was kept
        const LimbRecord record = ToLimbRecord(value, 96);
        EXPECT_EQ(record.signedCount, sign);
        EXPECT_EQ(record.exponent, 2);
        EXPECT_EQ(record.limbs, (std::vector<uint32_t>{1}));
    }

    // 112 bits: 6 limbs at most. 1/3 * 2^-100, in [2^-102, 2^-101), takes 7
    // limbs of its 64-bit form (all but the top half); the top 6 are kept.
    BigFloat third(112);
    mpf_set_ui(third.get(), 1);
    mpf_div_ui(third.get(), third.get(), 3);
    mpf_div_2exp(third.get(), third.get(), 100);
    ASSERT_EQ(third.get()->_mp_size, 4);
    const LimbRecord record = ToLimbRecord(third, 112);
    EXPECT_EQ(record.precisionLimbs, 5);
    EXPECT_EQ(record.signedCount, 6);
    EXPECT_EQ(record.exponent, -3);
    EXPECT_EQ(record.limbs, (std::vector<uint32_t>{0x55555555u, 0x55555555u, 0x55555555u, 0x55555555u,
                                                   0x55555555u, 0x05555555u}));
}

TEST(LimbRecord, DecodesEveryAlignmentAndExtremeExponents)
{
    std::vector<int32_t> exponents;
    for (int32_t e = -5; e <= 5; ++e)
        exponents.push_back(e);
    const int32_t min = std::numeric_limits<int32_t>::min();
    const int32_t max = std::numeric_limits<int32_t>::max();
    exponents.insert(exponents.end(), {min, min + 1, max, max - 1});

    for (const int32_t exponent : exponents) {
        for (int32_t count = 1; count <= 4; ++count) {
            for (const int32_t sign : {1, -1}) {
                SCOPED_TRACE("exponent " + std::to_string(exponent) + ", count "
                             + std::to_string(sign * count));
                LimbRecord record = PatternRecord(sign * count, exponent);
                record.precisionLimbs = PrecisionLimbs32(368);
                BigFloat value(368);
                std::string error;
                ASSERT_TRUE(FromLimbRecord(record, value, &error)) << error;
                mpf_srcptr v = value.get();
                const int n = std::abs(v->_mp_size);
                ASSERT_GT(n, 0);
                EXPECT_EQ(v->_mp_size < 0, sign < 0);
                EXPECT_NE(v->_mp_d[n - 1], 0u);
                EXPECT_NE(v->_mp_d[0], 0u);
                BigFloat meaning;
                ValueOfRecord(record, meaning);
                EXPECT_EQ(mpf_cmp(meaning.get(), value.get()), 0);
                ExpectSameRecord(ToLimbRecord(value, 368), record);
            }
        }
    }
}

TEST(LimbRecord, NormalisesZeroLimbsFromOtherWriters)
{
    LimbRecord padded;
    padded.signedCount = -4;
    padded.exponent = 3;
    padded.limbs = {0, 5, 7, 0};
    BigFloat value(112);
    std::string error;
    ASSERT_TRUE(FromLimbRecord(padded, value, &error)) << error;
    BigFloat meaning;
    ValueOfRecord(padded, meaning);
    EXPECT_EQ(mpf_cmp(meaning.get(), value.get()), 0);
    EXPECT_EQ(value.get()->_mp_size, -1);  // 5 and 7 share one 64-bit limb
    EXPECT_EQ(value.get()->_mp_d[0], (mp_limb_t{7} << 32) | 5);
    const LimbRecord minimal = ToLimbRecord(value, 112);
    EXPECT_EQ(minimal.signedCount, -2);
    EXPECT_EQ(minimal.exponent, 2);
    EXPECT_EQ(minimal.limbs, (std::vector<uint32_t>{5, 7}));

    // Only zero limbs, whatever the exponent and sign: the value 0.
    for (const int32_t count : {3, -2}) {
        LimbRecord zeros;
        zeros.signedCount = count;
        zeros.exponent = 9;
        zeros.limbs.assign(static_cast<size_t>(std::abs(count)), 0u);
        mpf_set_ui(value.get(), 1);
        ASSERT_TRUE(FromLimbRecord(zeros, value, &error)) << error;
        EXPECT_EQ(value.get()->_mp_size, 0);
        EXPECT_EQ(mpf_sgn(value.get()), 0);
    }
}

TEST(LimbRecord, AcceptsTheLargestRecordA32BitWriterProduces)
{
    // Both exponent parities, since an odd one can cost an extra 64-bit limb.
    for (int32_t bits = 1; bits <= 4000; ++bits) {
        const int32_t count = PrecisionLimbs32(bits) + 1;
        for (const int32_t exponent : {-7, -6, 0, 1, 40, 41}) {
            const LimbRecord record = PatternRecord(count, exponent);
            BigFloat value(bits);
            std::string error;
            ASSERT_TRUE(FromLimbRecord(record, value, &error))
                << bits << " bits, exponent " << exponent << ": " << error;
            EXPECT_EQ(ToLimbRecord(value, bits).limbs, record.limbs);
        }
    }
}

class LimbRecordRefusal : public ::testing::Test {
protected:
    BigFloat value{96};
    std::vector<mp_limb_t> before;
    int sizeBefore = 0;
    mp_exp_t expBefore = 0;

    void SetUp() override
    {
        // Fill all _mp_prec + 1 limbs so a stray write anywhere shows.
        mpf_set_ui(value.get(), 1);
        mpf_div_ui(value.get(), value.get(), 3);
        mpf_mul_2exp(value.get(), value.get(), 32);
        const int capacity = value.get()->_mp_prec + 1;
        ASSERT_EQ(value.get()->_mp_size, capacity);
        before.assign(value.get()->_mp_d, value.get()->_mp_d + capacity);
        sizeBefore = value.get()->_mp_size;
        expBefore = value.get()->_mp_exp;
    }

    void ExpectRefusedAndUnchanged(const LimbRecord& record, const char* inMessage)
    {
        std::string error;
        EXPECT_FALSE(FromLimbRecord(record, value, &error));
        EXPECT_NE(error.find(inMessage), std::string::npos) << error;
        EXPECT_FALSE(FromLimbRecord(record, value, nullptr));
        EXPECT_EQ(value.get()->_mp_size, sizeBefore);
        EXPECT_EQ(value.get()->_mp_exp, expBefore);
        EXPECT_EQ(std::vector<mp_limb_t>(value.get()->_mp_d, value.get()->_mp_d + before.size()), before);
    }
};

TEST_F(LimbRecordRefusal, RecordTooLargeForThePrecision)
{
    // 96 bits hold 4 64-bit limbs. Eight 32-bit limbs fit when the exponent is
    // even, need five when it is odd; nine never fit.
    std::string error;
    BigFloat fits(96);
    ASSERT_TRUE(FromLimbRecord(PatternRecord(8, 2), fits, &error)) << error;
    ASSERT_TRUE(FromLimbRecord(PatternRecord(-8, -4), fits, &error)) << error;
    ExpectRefusedAndUnchanged(PatternRecord(8, 3), "at most 4");
    ExpectRefusedAndUnchanged(PatternRecord(-8, -3), "at most 4");
    ExpectRefusedAndUnchanged(PatternRecord(9, 0), "at most 4");
    ExpectRefusedAndUnchanged(PatternRecord(200, 0), "at most 4");
}

TEST_F(LimbRecordRefusal, CountDisagreeingWithTheLimbs)
{
    for (const int32_t count : {3, -3, 1, 0, std::numeric_limits<int32_t>::min()}) {
        SCOPED_TRACE(count);
        LimbRecord record = PatternRecord(2, 1);
        record.signedCount = count;
        ExpectRefusedAndUnchanged(record, "count");
    }
}

TEST(LimbRecord, RefusesAValueNeverCreated)
{
    BigFloat uncreated;
    std::string error;
    EXPECT_FALSE(FromLimbRecord(PatternRecord(1, 1), uncreated, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
