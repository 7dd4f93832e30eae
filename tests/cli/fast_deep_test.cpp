#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <utility>

#include "cli/kernel_agreement.h"
#include "cli/renderer.h"
#include "engine/fractal_state.h"
#include "engine/kernels_perturbation.h"
#include "engine/orbit_return_newton.h"
#include "engine/perturbation_setup.h"
#include "engine/reference_orbit_cache.h"
#include "engine/view_texts.h"
#include "frame/fast_deep_pixels.h"
#include "frame/frame_driver.h"

namespace {

using Arguments = std::vector<std::string>;

Arguments operator+(Arguments first, const Arguments& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// On the boundary at every depth: c = i (preperiodic), the repelling fixed
// point (1 + sqrt 5) / 2 of the Julia set of -1, and the nucleus of a
// period-106 minibrot 1e-79 across near i.
const char* const GoldenRatio = "1.6180339887498948482045868343656381177203091798057628621354486227052604628189024497072"
                                "07204189391137484754088075386891752126633862223536931793180060766726354433389";
const char* const MinibrotRe = "4.677616366801541133099900632350308478394766593400857127092178016583763275346988932396"
                               "13433094672740004297478917100398952597606132743342558451932301800836188676150e-40";
const char* const MinibrotIm = "1.000000000000000000000000000000000000000385734811982649089247070518263336238250606001"
                               "94083279683197979950527875551360391870931744270454123112121935370875703622";

struct Agreement {
    long identical = -1;
    long pixels = 0;
};

// A prepared frame's kernel results, computed straight into vectors.
struct FrameResults {
    std::vector<int32_t> escapes;
    std::vector<float> a, b;
    std::vector<uint8_t> doubtful;
    int64_t exactPixels = 0;
    int64_t skippedIterations = 0;
    int64_t repeatedIterations = 0;
};

std::string Bits(const std::vector<float>& values)
{
    return std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
}

// Every row, or only the listed pixels (the rest stay -1).
template <typename D>
FrameResults RunPrepared(PerturbationFrame<D>& frame, size_t pixels, const std::vector<int32_t>* listed = nullptr)
{
    FrameResults results;
    results.escapes.assign(pixels, -1);
    results.a.assign(pixels, -1);
    results.b.assign(pixels, -1);
    frame.iterOut = results.escapes.data();
    frame.aOut = results.a.data();
    frame.bOut = results.b.data();
    results.doubtful.assign(pixels, 0);
    frame.doubtfulOut = frame.boundRounding ? results.doubtful.data() : nullptr;
    RelaxedAtomic<int32_t> nextRow{0}, rowsDone{0};
    PerturbationCounts counts;
    if (listed)
        RunPerturbationPixels(frame, *listed, nextRow, counts);
    else
        RunPerturbationRows(frame, nextRow, rowsDone, counts);
    results.exactPixels = counts.exact.load();
    results.skippedIterations = counts.skippedIterations.load();
    results.repeatedIterations = counts.repeatedIterations.load();
    return results;
}

// The prepared frame run with one of its switches off, then on.
template <typename D>
std::pair<FrameResults, FrameResults> OffAndOn(PerturbationFrame<D>& frame, bool PerturbationFrame<D>::*option,
                                               size_t pixels, const std::vector<int32_t>* listed = nullptr)
{
    frame.*option = false;
    FrameResults off = RunPrepared(frame, pixels, listed);
    frame.*option = true;
    return {std::move(off), RunPrepared(frame, pixels, listed)};
}

class FastDeepTest : public ::testing::Test {
protected:
    // Frames may leave it set; engine calls made straight from a test stop at once.
    void SetUp() override { State.StopRequest = 0; }
    // Edges of the view 2 * 10^-exponent wide and three quarters of that
    // high around a centre, read at the precision the depth needs.
    static Arguments ViewAround(const char* re, const char* im, int exponent)
    {
        const int bits = exponent * 4 + 128;
        BigFloat centreRe(bits), centreIm(bits), half(bits), edge(bits);
        mpf_set_str(centreRe, re, 10);
        mpf_set_str(centreIm, im, 10);
        mpf_set_ui(half, 10);
        mpf_pow_ui(half, half, static_cast<unsigned long>(exponent));
        mpf_ui_div(half, 1, half);
        auto text = [&](mpf_srcptr centre, unsigned long quarters, bool above) {
            mpf_mul_ui(edge, half, quarters);
            mpf_div_ui(edge, edge, 4);
            if (above)
                mpf_add(edge, centre, edge);
            else
                mpf_sub(edge, centre, edge);
            char* digits = nullptr;
            gmp_asprintf(&digits, "%.*Fe", exponent + 30, edge.get());
            std::string result(digits);
            void (*release)(void*, size_t);
            mp_get_memory_functions(nullptr, nullptr, &release);
            release(digits, result.size() + 1);
            return result;
        };
        return {"--precision", std::to_string(exponent * 10 / 3 + 64), "--view", text(centreRe, 4, false),
                text(centreRe, 4, true), text(centreIm, 3, false), text(centreIm, 3, true)};
    }
    static Arguments Julia(const char* re, const char* im, int exponent)
    {
        return Arguments{"--julia", "-1", "0"} + ViewAround(re, im, exponent);
    }
    // (1 + sqrt 5) / 2 to the digits a view 10^-exponent wide needs.
    static std::string DigitsOf(mpf_srcptr value, int count)
    {
        char* digits = nullptr;
        gmp_asprintf(&digits, "%.*Ff", count, value);
        std::string result(digits);
        void (*release)(void*, size_t);
        mp_get_memory_functions(nullptr, nullptr, &release);
        release(digits, result.size() + 1);
        return result;
    }
    static std::string GoldenRatioFor(int exponent)
    {
        BigFloat value(exponent * 4 + 128);
        mpf_sqrt_ui(value, 5);
        mpf_add_ui(value, value, 1);
        mpf_div_2exp(value, value, 1);
        return DigitsOf(value, exponent + 30);
    }
    // The frame's escape values, computed the fast way or exactly.
    // The escape values of the frame's raw file.
    static std::vector<int32_t> EscapeValues(const Arguments& arguments, bool fast)
    {
        QTemporaryDir folder;
        const std::string path = folder.filePath("frame.raw").toStdString();
        Render(arguments + Arguments{"--raw", path} + (fast ? Arguments{"--fast-deep"} : Arguments{}));
        std::ifstream file(path, std::ios::binary);
        char magic[8] = {};
        int32_t header[5] = {};
        file.read(magic, sizeof magic);
        file.read(reinterpret_cast<char*>(header), sizeof header);
        std::vector<int32_t> escapes(static_cast<size_t>(std::max(header[0], 0)) * std::max(header[1], 0));
        file.read(reinterpret_cast<char*>(escapes.data()), static_cast<std::streamsize>(escapes.size() * 4));
        EXPECT_TRUE(file && !escapes.empty()) << "no raw frame in " << path;
        return escapes;
    }
    static int Render(const Arguments& arguments, std::string* out = nullptr)
    {
        std::ostringstream text, errors;
        const int status = RunRenderer(arguments, text, errors);
        EXPECT_EQ(status, 0) << errors.str();
        if (out)
            *out = text.str();
        return status;
    }
    // The frame's view set up by rendering it, then its layout prepared in
    // double for each variant and handed to check(frame, variant).
    template <typename Check>
    static void ForEachVariant(const Arguments& arguments, Check&& check)
    {
        QTemporaryDir folder;
        Render(arguments + Arguments{"--raw", folder.filePath("frame.raw").toStdString()});
        State.StopRequest = 0;  // left set by the frame
        for (int32_t variant = 1; variant <= 5; ++variant) {
            const DeepFrameLayout layout = CurrentDeepLayout(1, variant, IsMandelbrot(State.FractalFlags));
            PerturbationFrame<double> frame;
            RelaxedAtomic<int64_t> progress;
            ASSERT_TRUE(PreparePerturbationFrame(layout, frame, progress));
            check(frame, variant);
        }
    }
    static Agreement Agree(const Arguments& arguments)
    {
        std::string out;
        Render(arguments + Arguments{"--agreement"}, &out);
        std::smatch match;
        Agreement agreement;
        if (std::regex_search(out, match, std::regex(R"(identical escape values: (\d+) of (\d+))"))) {
            agreement.identical = std::stol(match[1]);
            agreement.pixels = std::stol(match[2]);
        }
        return agreement;
    }
    static void ExpectAgreement(const Arguments& arguments, const std::string& what)
    {
        const Agreement agreement = Agree(arguments);
        EXPECT_GT(agreement.pixels, 0) << what;
        EXPECT_GE(agreement.identical * 1000, agreement.pixels * 995)
            << what << ": " << agreement.identical << " of " << agreement.pixels;
    }
};

TEST_F(FastDeepTest, AgreesWithTheExactPathAtEveryDepthKindAndVariant)
{
    for (int exponent : {20, 40, 80}) {
        for (const Arguments& view : {ViewAround("0", "1", exponent), Julia(GoldenRatio, "0", exponent)}) {
            for (const char* mode : {"0", "1", "P", "Q", "R"}) {
                ExpectAgreement(Arguments{"--size", "32x24", "--mode", mode, "--iter", "2000"} + view,
                                                "1e-" + std::to_string(exponent) + " " + view[0] + " mode " + mode);
                EXPECT_EQ(State.LastDeepPath, DeepPath::FastDouble);
            }
        }
    }
}

TEST_F(FastDeepTest, PixelsBesideABarelyRepellingReferenceKeep106Bits)
{
    // The fixed point (1 - sqrt(1 - 4c)) / 2 of the Julia set of -0.7269 +
    // 0.1889 i repels by 1.004 a step: pixels follow it for 11000 iterations
    // (most of them in one jump), and its rounding to 64 bits, the same at
    // every step, leaves their orbits too little for the chaotic rest (98.8 %
    // agreed; 99.1 % with the jumps).
    ExpectAgreement(Arguments{"--size", "32x24", "--iter", "50000", "--julia", "-0.7269", "0.1889"} +
                        ViewAround("-0.492949114869121923710407642671946522957489191220237211881462",
                                   "0.0951206850236723482766249051981995381101242503510696352187977", 20),
                    "Julia set of -0.7269 + 0.1889 i");
}

TEST_F(FastDeepTest, PixelsDoubleCannotDecideAreComputedAgainInLongDouble)
{
    // Pixels here leave the reference early and spend thousands of chaotic
    // iterations on their own, where double's digits run out: double alone
    // gave 9 of 1728 escape values that the exact frame does not.
    ExpectAgreement(Arguments{"--size", "48x36", "--iter", "16000"} +
                        ViewAround("-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", 20),
                    "seahorse valley");
    EXPECT_EQ(State.LastDeepPath, DeepPath::FastDouble);
    EXPECT_GT(State.RecomputedDeepPixels, 0);
}

TEST_F(FastDeepTest, RebasingFollowsPixelsThroughZero)
{
    // Pixels near the Julia set of -0.8 + 0.156 i pass close to 0 where the
    // reference, its repelling fixed point, does not; without rebasing
    // about 2 % of them lose their difference from it.
    const Arguments view = Arguments{"--julia", "-0.8", "0.156"} +
                           ViewAround("1.527503118643534610789746402444915337566745947811708160339875197",
                                      "-0.075912178352287867071814194826348046366422194847978022539732593", 30);
    for (const char* mode : {"0", "R"}) {
        ExpectAgreement(Arguments{"--size", "64x48", "--mode", mode, "--iter", "4000"} + view,
                        std::string("Julia mode ") + mode);
        EXPECT_EQ(State.ExactDeepPixels, 0);
    }
    // Beside a minibrot the orbits return near 0 every 106 iterations.
    ExpectAgreement(Arguments{"--size", "32x24", "--iter", "50000"} + ViewAround(MinibrotRe, MinibrotIm, 78),
                    "minibrot");
}

TEST_F(FastDeepTest, RealAxisPixelsAlongTheNeedleKeepTheViewsOwnRounding)
{
    // The row on the real axis iterates real, chaotic orbits whose escape the
    // last bits of the file's 96-bit precision decide.
    ExpectAgreement({QX_GALLERY "/deep-needle-star.fdz", "--size", "96x72"}, "needle");
    EXPECT_GT(State.ExactDeepPixels, 0);
    EXPECT_LT(State.ExactDeepPixels, 96);
}

TEST_F(FastDeepTest, OrbitsAlongTheEscapeCircleAreDecidedAtTheViewsPrecision)
{
    // At the needle's tip -2 the reference stays at Z = 2, where |z|^2 > 4
    // is decided by a difference far below z's last digit: the hardware test
    // gave 62-73 % of the exact frame's escape values. So does the end
    // point 2 of the Julia set of -2. The side of the circle decides all but
    // the axes' pixels without arbitrary precision; pixels that stay inside
    // it stay in double, those that cross it take table steps to the
    // bailout in long double.
    for (int exponent : {20, 100}) {
        ExpectAgreement(Arguments{"--size", "32x24", "--iter", "3000"} + ViewAround("-2", "0", exponent),
                        "tip 1e-" + std::to_string(exponent));
        EXPECT_LT(State.ExactDeepPixels, 32 * 24 / 8);
        EXPECT_LT(State.RecomputedDeepPixels, 32 * 24 * 2 / 3);
        ExpectAgreement(Arguments{"--size", "32x24", "--iter", "3000", "--julia", "-2", "0"} +
                            ViewAround("2", "0", exponent),
                        "Julia end 1e-" + std::to_string(exponent));
        EXPECT_LT(State.ExactDeepPixels, 32 * 24 / 8);
    }
    // Frames in long double take table steps over the tests on the circle
    // where the pixel lands inside it; with the bailout on the circle, a step
    // over a test that fires would put off the escape (half the pixels).
    ExpectAgreement(Arguments{"--size", "32x24", "--iter", "3000", "--bailout", "4"} + ViewAround("-2", "0", 400),
                    "tip 1e-400, bailout 4");
    // Beyond long double's exponent the side is taken with the wider one
    // (the exact frame takes minutes there), and nothing is left to
    // arbitrary precision: the reference's column, where Re(delta) is
    // nothing but rounding and its side stays open, follows its pixels to
    // the bailout; the axis left of -2 escapes by its real part, and within
    // the needle it lies in the set.
    QTemporaryDir folder;
    Render(Arguments{"--size", "8x6", "--iter", "9000"} + ViewAround("-2", "0", 4990) +
           Arguments{"--fast-deep", "--raw", folder.filePath("tip.raw").toStdString()});
    EXPECT_EQ(State.LastDeepPath, DeepPath::FastWideExponent);
    EXPECT_EQ(State.ExactDeepPixels, 0);
}

TEST_F(FastDeepTest, DeepestViewsUseLongDoubleAndBeyondItAWiderExponent)
{
    BigFloat step(20000);
    auto arithmetic = [&](long exponent, int32_t iterMax) {
        mpf_set_ui(step, 1);
        mpf_div_2exp(step, step, static_cast<mp_bitcnt_t>(exponent));
        return FastArithmeticFor(step, step, iterMax);
    };
    EXPECT_EQ(arithmetic(100, 1000), FastArithmetic::Double);
    EXPECT_EQ(arithmetic(100, 200000), FastArithmetic::Double);
    EXPECT_EQ(arithmetic(1000, 1000), FastArithmetic::Double);
    EXPECT_EQ(arithmetic(1020, 1000), FastArithmetic::Extended);
    EXPECT_EQ(arithmetic(17000, 1000), FastArithmetic::WideExponent);
    EXPECT_EQ(arithmetic(MaxPrecisionBits, 1000), FastArithmetic::WideExponent);
    EXPECT_EQ(arithmetic(100, FastDeepMaxIterations + 1), FastArithmetic::None);

    ExpectAgreement(Arguments{"--size", "16x12", "--iter", "3000"} + Julia(GoldenRatio, "0", 400), "1e-400");
    EXPECT_EQ(State.LastDeepPath, DeepPath::FastExtended);
    // A few powers of ten above double's normal range, the frame is in double.
    for (const Arguments& view : {ViewAround("0", "1", 300), Julia(GoldenRatioFor(300).c_str(), "0", 300)}) {
        ExpectAgreement(Arguments{"--size", "24x18", "--iter", "3000"} + view, "1e-300 " + view[0]);
        EXPECT_EQ(State.LastDeepPath, DeepPath::FastDouble);
    }
    // Thousands of iterations along the spiral of the valley between the
    // cardioid and the period-2 disc.
    ExpectAgreement(Arguments{"--size", "32x24", "--iter", "20000"} +
                        ViewAround("-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", 16),
                    "spiral");

    EscapeValues(Arguments{"--size", "4x3", "--iter", "30"} + ViewAround("0", "1", 5000), true);
    EXPECT_EQ(State.LastDeepPath, DeepPath::FastWideExponent);
}

// The orbit of the point where 0 lands on a fixed point after four steps
// (near -0.1011 + 0.9563 i) is its first five values for ever: the view's
// pixels follow it for 2400 iterations, which 1e-20000 deep make 160000 at
// 66000 bits for the centre's orbit.
TEST_F(FastDeepTest, AMisiurewiczPointsOwnOrbitServesItsView)
{
    const int exponent = 300;
    const int32_t bits = exponent * 4 + 128;
    BigFloat re(bits), im(bits), tolerance(bits);
    mpf_set_str(re, "-0.10109636384562216102578544573862256546380544282625", 10);
    mpf_set_str(im, "0.95628651080914150077109605772997743580983333651053", 10);
    mpf_set_str(tolerance, "1e-340", 10);
    ASSERT_TRUE(RefineOrbitReturn(re, im, {4, 1}, nullptr, tolerance, bits, 16));
    const std::string reText = DigitsOf(re, exponent + 30), imText = DigitsOf(im, exponent + 30);
    ExpectAgreement(Arguments{"--size", "16x12", "--iter", "4000"} + ViewAround(reText.c_str(), imText.c_str(), exponent),
                    "lands after four steps");
    EXPECT_EQ(State.ExactDeepPixels, 0);

    // Around i, 1e-5000 deep, the centre's own orbit leaves the cycle after
    // about 13000 values; the point's orbit lasts as long as the frame (its
    // real part, 0 at the centre, need not stay 0: only the real axis is kept).
    Render({"--size", "4x3", "--iter", "20000", "--precision", "16800", "--center", "0", "1", "1e5000"});
    State.StopRequest = 0;
    const DeepFrameLayout layout = CurrentDeepLayout(1, 1, true);
    PerturbationReference reference;
    RelaxedAtomic<int64_t> progress;
    ASSERT_TRUE(ChoosePerturbationReference(layout, reference, progress));
    EXPECT_EQ(reference.start.size(), ReferenceLength(layout));
}

TEST_F(FastDeepTest, WiderExponentFollowsLongDoubleBitForBitWithinItsRange)
{
    // Differences below 2^-15000 run wide, then in long double: where long
    // double holds the whole frame both give the same bits.
    const std::string golden = GoldenRatioFor(4000);
    QTemporaryDir folder;
    const std::string raw = folder.filePath("frame.raw").toStdString();
    for (const Arguments& view : {ViewAround("0", "1", 4000), Julia(golden.c_str(), "0", 4000)}) {
        Render(Arguments{"--size", "8x5", "--iter", "12000", "--fast-deep", "--raw", raw} + view);
        State.StopRequest = 0;  // left set by the frame
        const DeepFrameLayout layout = CurrentDeepLayout(1, 1, IsMandelbrot(State.FractalFlags));
        PerturbationFrame<long double> extended;
        PerturbationFrame<WideDelta> wide;
        RelaxedAtomic<int64_t> progress;
        ASSERT_TRUE(PreparePerturbationFrame(layout, extended, progress));
        ASSERT_TRUE(PreparePerturbationFrame(layout, wide, progress));
        for (int32_t variant = 1; variant <= 5; ++variant) {
            extended.variant = variant;
            wide.variant = variant;
            const FrameResults narrow = RunPrepared(extended, 8 * 5);
            const FrameResults wider = RunPrepared(wide, 8 * 5);
            EXPECT_EQ(narrow.exactPixels + wider.exactPixels, 0);
            EXPECT_EQ(narrow.escapes, wider.escapes) << view[0] << " variant " << variant;
            EXPECT_EQ(narrow.a, wider.a) << view[0] << " variant " << variant;
            EXPECT_EQ(narrow.b, wider.b) << view[0] << " variant " << variant;
            EXPECT_GT(std::count_if(narrow.escapes.begin(), narrow.escapes.end(), [](int32_t n) { return n != 0; }), 0)
                << view[0] << ": no pixel escaped";
        }
    }
}

TEST_F(FastDeepTest, AgreesWithTheExactPathBeyondLongDoublesRange)
{
    // A frame of a few pixels: the exact path takes seconds a pixel there
    // (1e-10000 agrees as well, in minutes).
    const int exponent = 5000;
    const std::string golden = GoldenRatioFor(exponent);
    // Pixels escape once their difference grows to 1: about 1.25 binary
    // orders an iteration around i, 1.69 around the golden ratio.
    const std::string iterations = std::to_string(exponent * 3);
    for (const Arguments& view : {ViewAround("0", "1", exponent), Julia(golden.c_str(), "0", exponent)}) {
        for (const char* mode : {"0", "1", "P", "Q", "R"}) {
            const Arguments frame = Arguments{"--size", "2x3", "--mode", mode, "--iter", iterations} + view;
            const std::string what = std::string(view[0]) + " mode " + mode;
            const std::vector<int32_t> fast = EscapeValues(frame, true);
            EXPECT_EQ(State.LastDeepPath, DeepPath::FastWideExponent) << what;
            EXPECT_EQ(State.ExactDeepPixels, 0) << what;
            const std::vector<int32_t> exact = EscapeValues(frame, false);
            EXPECT_EQ(State.LastDeepPath, DeepPath::Exact) << what;
            EXPECT_EQ(fast, exact) << what;
            EXPECT_LT(std::count(exact.begin(), exact.end(), 0), static_cast<long>(exact.size()) / 2)
                << what << ": too few escaped pixels to compare";
        }
    }
}

TEST_F(FastDeepTest, TableSkipsNeverCrossAnEscape)
{
    const std::vector<Arguments> views{ViewAround("0", "1", 40), Julia(GoldenRatio, "0", 30),
                                       ViewAround(MinibrotRe, MinibrotIm, 78)};
    for (const Arguments& view : views) {
        for (int32_t iterMax : {997, 1002, 3000}) {
            ForEachVariant(Arguments{"--size", "24x18", "--iter", std::to_string(iterMax)} + view,
                           [&](PerturbationFrame<double>& frame, int32_t variant) {
                               const auto [stepped, skipped] =
                                   OffAndOn(frame, &PerturbationFrame<double>::useTable, 24 * 18);
                               const std::string what = view[0] + " IterMax " + std::to_string(iterMax) +
                                                        " variant " + std::to_string(variant);
                               EXPECT_EQ(stepped.escapes, skipped.escapes) << what;
                               EXPECT_EQ(stepped.skippedIterations, 0) << what;
                               EXPECT_GT(skipped.skippedIterations, 0) << what;
                           });
        }
    }
}

TEST_F(FastDeepTest, RepeatsSkipWholePeriodsWithTheResultsOfIteratingThem)
{
    // Inside and outside a minibrot; counts whose last passes the table's
    // cap shortens. Beside the basilica's fixed point (1 - sqrt 5) / 2, whose
    // inside pixels fall on the cycle of 0 and -1: the orbit of 0 ends where
    // it returns to 0, so that their pass starts repeat.
    const Arguments minibrot = ViewAround(MinibrotRe, MinibrotIm, 79);
    const Arguments basilica =
        Arguments{"--julia", "-1", "0"} +
        ViewAround("-0.6180339887498948482045868343656381177203091798057628621354486227", "0", 30);
    for (const auto& [iterMax, view] : {std::pair{4999, minibrot}, {20002, minibrot}, {4999, basilica}}) {
        ForEachVariant(Arguments{"--size", "24x18", "--iter", std::to_string(iterMax)} + view,
                       [&](PerturbationFrame<double>& frame, int32_t variant) {
                           const auto [iterated, skipped] =
                               OffAndOn(frame, &PerturbationFrame<double>::findCycles, 24 * 18);
                           const std::string what =
                               "IterMax " + std::to_string(iterMax) + " variant " + std::to_string(variant);
                           EXPECT_EQ(iterated.escapes, skipped.escapes) << what;
                           EXPECT_EQ(Bits(iterated.a), Bits(skipped.a)) << what;
                           EXPECT_EQ(Bits(iterated.b), Bits(skipped.b)) << what;
                           EXPECT_EQ(iterated.repeatedIterations, 0) << what;
                           EXPECT_GT(std::count(iterated.escapes.begin(), iterated.escapes.end(), 0), 24 * 18 / 10)
                               << what;
                           EXPECT_GT(skipped.repeatedIterations, iterMax) << what;
                       });
    }
}

TEST_F(FastDeepTest, InsideProofsSkipPeriodsWithoutChangingEscapeValues)
{
    // A view of the kind of extended frames: a period-39 component beside a
    // spiral, whose inside orbits never repeat bit for bit within the budget.
    const std::vector<Arguments> views{
        Arguments{"--iter", "16000"} +
        ViewAround("-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", 6)};
    for (const Arguments& view : views) {
        ForEachVariant(Arguments{"--size", "24x18"} + view, [&](PerturbationFrame<double>& frame, int32_t variant) {
            frame.boundRounding = true;
            frame.findCycles = false;
            const auto [iterated, proven] = OffAndOn(frame, &PerturbationFrame<double>::proveInside, 24 * 18);
            const std::string what = view[2] + " variant " + std::to_string(variant);
            EXPECT_EQ(iterated.escapes, proven.escapes) << what;
            EXPECT_EQ(iterated.doubtful, proven.doubtful) << what;
            EXPECT_EQ(iterated.repeatedIterations, 0) << what;
            EXPECT_GT(std::count(iterated.escapes.begin(), iterated.escapes.end(), 0), 24 * 18 / 10) << what;
            EXPECT_GT(proven.repeatedIterations, 0) << what;
            // The lanes try and skip where the one-pixel loop does.
            const auto [alone, lanes] = OffAndOn(frame, &PerturbationFrame<double>::useLanes, 24 * 18);
            EXPECT_EQ(alone.escapes, lanes.escapes) << what;
            EXPECT_EQ(Bits(alone.a), Bits(lanes.a)) << what;
            EXPECT_EQ(alone.repeatedIterations, lanes.repeatedIterations) << what;
        });
    }
}

TEST_F(FastDeepTest, LanesGiveTheOnePixelLoopsResultsToTheBit)
{
    // Table steps between stepped passes and long chaotic orbits, rebases
    // onto the Julia set's orbit of 0, repeats inside a minibrot.
    const std::vector<Arguments> views{
        Arguments{"--iter", "16000"} +
            ViewAround("-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", 20),
        Arguments{"--iter", "4000", "--julia", "-0.8", "0.156"} +
            ViewAround("1.527503118643534610789746402444915337566745947811708160339875197",
                       "-0.075912178352287867071814194826348046366422194847978022539732593", 30),
        Arguments{"--iter", "20002"} + ViewAround(MinibrotRe, MinibrotIm, 79)};
    // Listed pixels (those computed again) in any order, with gaps.
    std::vector<int32_t> listed;
    for (int32_t i = 24 * 18 - 1; i >= 0; i -= 3)
        listed.push_back(i);
    for (const Arguments& view : views) {
        ForEachVariant(Arguments{"--size", "24x18"} + view, [&](PerturbationFrame<double>& frame, int32_t variant) {
            for (int run = 0; run < 3; ++run) {
                const bool bounded = run > 0;
                frame.boundRounding = bounded;
                const auto [alone, lanes] =
                    OffAndOn(frame, &PerturbationFrame<double>::useLanes, 24 * 18, run == 2 ? &listed : nullptr);
                const std::string what = "view " + std::to_string(&view - views.data()) + " variant " +
                                         std::to_string(variant) + (bounded ? " bounded" : "") +
                                         (run == 2 ? " listed" : "");
                EXPECT_EQ(alone.escapes, lanes.escapes) << what;
                EXPECT_EQ(Bits(alone.a), Bits(lanes.a)) << what;
                EXPECT_EQ(Bits(alone.b), Bits(lanes.b)) << what;
                EXPECT_EQ(alone.doubtful, lanes.doubtful) << what;
                EXPECT_EQ(alone.exactPixels, lanes.exactPixels) << what;
                EXPECT_EQ(alone.repeatedIterations, lanes.repeatedIterations) << what;
            }
        });
    }
}

TEST_F(FastDeepTest, AgreementCountsOnlyPixelsTwiceThePrecisionSettles)
{
    KernelResults exact, twice, fast;
    exact.escape = {5, 6, 7, 0, 9};
    twice.escape = {5, 6, 8, 0, 9};  // the third is not settled
    fast.escape = {5, 1, 2, 0, 9};
    const SettledAgreement counted = CompareSettledEscapes(exact, twice, fast);
    EXPECT_EQ(counted.pixels, 5);
    EXPECT_EQ(counted.settled, 4);
    EXPECT_EQ(counted.identicalOverSettled, 3);

    const auto numbers = [](const std::string& text, const std::string& pattern) {
        std::smatch match;
        std::vector<long> found;
        if (std::regex_search(text, match, std::regex(pattern)))
            for (size_t k = 1; k < match.size(); ++k)
                found.push_back(std::stol(match[k]));
        return found;
    };
    const Arguments view = Arguments{"--size", "16x12", "--iter", "3000"} + ViewAround("0", "1", 40);
    for (int extra : {0, 64}) {
        std::string out;
        Render(view + Arguments{"--extra-precision", std::to_string(extra), "--agreement"}, &out);
        const std::vector<long> bits = numbers(out, R"(exact: arbitrary precision at (\d+) bits)");
        const std::vector<long> settled = numbers(out, R"(settled pixels \(same escape value at (\d+) bits\): (\d+) of (\d+))");
        const std::vector<long> over = numbers(out, R"(identical escape values over settled pixels: (\d+) of (\d+))");
        ASSERT_EQ(bits.size(), 1u) << out;
        ASSERT_EQ(settled.size(), 3u) << out;
        ASSERT_EQ(over.size(), 2u) << out;
        EXPECT_EQ(settled[0], 2 * bits[0]) << out;
        EXPECT_EQ(settled[2], 16 * 12);
        EXPECT_GT(settled[1], 16 * 12 * 9 / 10) << out;
        EXPECT_EQ(over[1], settled[1]);
        EXPECT_GE(over[0] * 1000, over[1] * 995) << out;
    }
}

TEST_F(FastDeepTest, ExtraPrecisionRaisesTheArbitraryPrecisionFrameOnly)
{
    QTemporaryDir folder;
    const Arguments view = Arguments{"--size", "16x12", "--iter", "500"} + ViewAround("0", "1", 30);
    const auto raw = [&](const Arguments& options) {
        const std::string path = folder.filePath("frame.raw").toStdString();
        Render(view + options + Arguments{"--raw", path});
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const auto precision = [](const std::string& dump) {
        int32_t bits = 0;
        dump.copy(reinterpret_cast<char*>(&bits), 4, 24);
        return bits;
    };
    const std::string plain = raw({});
    const std::string raised = raw({"--extra-precision", "100"});
    ASSERT_GT(plain.size(), 28u);
    EXPECT_EQ(precision(raised), precision(plain) + 100);
    // The frame after the ones at other precisions reads the view as it was given.
    EXPECT_EQ(raw({"--agreement"}), plain);
}

}  // namespace

TEST_F(FastDeepTest, AFrameDoesNotDependOnTheFramesBeforeIt)
{
    QTemporaryDir folder;
    const std::string raw = folder.filePath("frame.raw").toStdString();
    const Arguments options{"--size", "24x18", "--iter", "3000", "--fast-deep", "--raw", raw};
    auto rawOf = [&](const Arguments& view) {
        Render(options + view);
        std::ifstream in(raw, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // Around the minibrot's nucleus the wider view finds it as its reference.
    ClearOrbitCache();
    const std::string fresh = rawOf(ViewAround(MinibrotRe, MinibrotIm, 76));
    rawOf(ViewAround(MinibrotRe, MinibrotIm, 78));
    const std::string afterDeeper = rawOf(ViewAround(MinibrotRe, MinibrotIm, 76));
    EXPECT_FALSE(fresh.empty());
    EXPECT_TRUE(afterDeeper == fresh);
}

TEST_F(FastDeepTest, ExtendedViewsByPerturbationAgreeWithTheExtendedKernels)
{
    const auto spiral = [](const char* magnification, const char* iterations) {
        return Arguments{"--center", "-0.743643887037158704752191506114774", "0.131825904205311970493132056385139",
                         magnification, "--iter", iterations};
    };
    const auto agreement = [](const std::vector<int32_t>& fast, const std::vector<int32_t>& exact) {
        long identical = 0;
        for (size_t i = 0; i < std::min(fast.size(), exact.size()); ++i)
            identical += fast[i] == exact[i] ? 1 : 0;
        return exact.empty() ? 0.0 : 100.0 * identical / static_cast<double>(exact.size());
    };
    // Where the extended kernels' own rounding could change a pixel, they
    // compute it: without their rounding in the bound the spiral at 4e8
    // agrees on 99.68 % of these pixels, with it on all.
    const std::vector<Arguments> frames{
        Arguments{"--mode", "0"} + spiral("4e8", "3000"),
        Arguments{"--mode", "P"} + spiral("4e8", "3000"),
        Arguments{"--mode", "Q"} + spiral("4e6", "8000"),
        Arguments{"--mode", "R"} + spiral("4e6", "8000"),
        {"--julia", "-0.8", "0.156", "--view", "1.5275029", "1.5275034", "-0.07591236", "-0.07591199", "--iter", "4000"}};
    for (const Arguments& frame : frames) {
        const Arguments sized = Arguments{"--size", "96x72", "--threads", "2"} + frame;
        const std::vector<int32_t> fast = EscapeValues(sized, true);
        EXPECT_EQ(State.LastExtendedPath, ExtendedPath::Perturbation) << frame[1];
        const std::vector<int32_t> exact = EscapeValues(sized, false);
        EXPECT_EQ(State.LastExtendedPath, ExtendedPath::Kernels);
        EXPECT_GE(agreement(fast, exact), 99.9) << frame[1] << " " << frame[2];
    }
    // Variant 2 escapes by its own test there, and short frames gain
    // nothing: vector lanes of double compute them, with the extended
    // kernels' slow phase. Shallow frames stay exact.
    for (const Arguments& frame : {Arguments{"--mode", "1"} + spiral("4e8", "3000"), spiral("4e8", "500")}) {
        const Arguments sized = Arguments{"--size", "96x72"} + frame;
        const std::vector<int32_t> fast = EscapeValues(sized, true);
        EXPECT_EQ(State.LastExtendedPath, ExtendedPath::DoubleLanes);
        EXPECT_GE(agreement(fast, EscapeValues(sized, false)), 99.9) << frame[1] << " " << frame[2];
    }
    const Arguments shallow = Arguments{"--size", "96x72"} + spiral("4e2", "3000");
    const std::vector<int32_t> fast = EscapeValues(shallow, true);
    EXPECT_EQ(State.LastExtendedPath, ExtendedPath::Kernels);
    EXPECT_EQ(fast, EscapeValues(shallow, false));
}
