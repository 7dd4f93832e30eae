// Deep views of the kinds people zoom into, each rendered by perturbation
// and, where asked, compared with the arbitrary-precision frames (--agreement).
// Usage: deep_views [WIDTHxHEIGHT, default 160x120] [1: also the exact frames,
// for the views where they finish in reasonable time]
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "timing.h"
#include "cli/renderer.h"
#include "engine/big_float.h"
#include "engine/orbit_return_newton.h"

namespace {

struct DeepView {
    const char* name;
    const char* re;
    const char* im;
    int exponent;  // the view is 4 * 10^-exponent wide, 3 * 10^-exponent high
    int32_t iterMax;
    const char* juliaRe;  // null: Mandelbrot
    const char* juliaIm;
};

// Deeper views take the arbitrary-precision frame hours.
constexpr int ExactExponentLimit = 1000;

const char* const MinibrotRe = "4.677616366801541133099900632350308478394766593400857127092178016583763275346988932396"
                               "13433094672740004297478917100398952597606132743342558451932301800836188676150e-40";
const char* const MinibrotIm = "1.000000000000000000000000000000000000000385734811982649089247070518263336238250606001"
                               "94083279683197979950527875551360391870931744270454123112121935370875703622";
// A point of the Julia set of -0.8 + 0.156 i, to 120 digits.
const char* const JuliaPointRe = "1.5275031186435346107897464024449153375667459478117081603398751970";
const char* const JuliaPointIm = "-0.0759121783522878670718141948263480463664221948479780225397325930";

// The fixed point (1 - sqrt(1 - 4c)) / 2 of the Julia set of -0.7269 +
// 0.1889 i, which repels by only 1.0041 a step, to 100 digits.
const char* const BarelyRepellingRe =
    "-0.4929491148691219237104076426719465229574891912202372118814622569448531200951188904641594822769451173";
const char* const BarelyRepellingIm =
    "0.09512068502367234827662490519819953811012425035106963521879767029396587460853799940932588961022155013";

// A value to the digits of a view 10^-exponent wide.
std::string DigitsFor(mpf_srcptr value, int exponent)
{
    char* digits = nullptr;
    gmp_asprintf(&digits, "%.*Fe", exponent + 30, value);
    std::string text(digits);
    void (*release)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &release);
    release(digits, text.size() + 1);
    return text;
}

std::string EdgeText(const char* centre, int exponent, int quarters, int bits)
{
    BigFloat value(bits), offset(bits);
    mpf_set_str(value, centre, 10);
    mpf_set_ui(offset, 10);
    mpf_pow_ui(offset, offset, static_cast<unsigned long>(exponent));
    mpf_ui_div(offset, 1, offset);
    mpf_mul_ui(offset, offset, static_cast<unsigned long>(quarters < 0 ? -quarters : quarters));
    mpf_div_ui(offset, offset, 2);
    if (quarters < 0)
        mpf_sub(value, value, offset);
    else
        mpf_add(value, value, offset);
    return DigitsFor(value, exponent);
}

// The point where 0 lands on a fixed point after four steps (near
// -0.1011 + 0.9563 i, whose cycle repels by only 1.33 a step), to the digits
// of a view 10^-exponent wide.
std::string LandsAfterFour(bool real, int exponent)
{
    const int32_t bits = exponent * 4 + 128;
    BigFloat re(bits), im(bits), tolerance(bits);
    mpf_set_str(re, "-0.10109636384562216102578544573862256546380544282625", 10);
    mpf_set_str(im, "0.95628651080914150077109605772997743580983333651053", 10);
    mpf_set_ui(tolerance, 1);
    mpf_div_2exp(tolerance, tolerance, static_cast<mp_bitcnt_t>(bits - 64));
    RefineOrbitReturn(re, im, {4, 1}, nullptr, tolerance, bits, 16);
    return DigitsFor(real ? re.get() : im.get(), exponent);
}

// Renderer options for the view at the given size.
std::vector<std::string> ViewOptions(const DeepView& view, int32_t width, int32_t height)
{
    const int bits = view.exponent * 4 + 128;
    std::vector<std::string> options{"--size", std::to_string(width) + "x" + std::to_string(height), "--threads", "2",
                                     "--iter", std::to_string(view.iterMax)};
    if (view.juliaRe)
        options.insert(options.end(), {"--julia", view.juliaRe, view.juliaIm});
    options.insert(options.end(),
                   {"--precision", std::to_string(view.exponent * 10 / 3 + 64), "--view",
                    EdgeText(view.re, view.exponent, -4, bits), EdgeText(view.re, view.exponent, 4, bits),
                    EdgeText(view.im, view.exponent, -3, bits), EdgeText(view.im, view.exponent, 3, bits)});
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    int32_t width = 160, height = 120;
    if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2)
        return 2;
    const bool exact = argc > 2 && std::atoi(argv[2]) == 1;
    const std::string raw = "/tmp/quorvatix-deep-views-" + std::to_string(getpid()) + ".raw";

    const std::string landsRe = LandsAfterFour(true, 20000), landsIm = LandsAfterFour(false, 20000);
    const std::array<DeepView, 8> views{{
        {"spiral, seahorse valley", "-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", 28,
         30000, nullptr, nullptr},
        {"minibrot of period 106", MinibrotRe, MinibrotIm, 79, 100000, nullptr, nullptr},
        {"Julia set of -0.8 + 0.156 i", JuliaPointRe, JuliaPointIm, 60, 50000, "-0.8", "0.156"},
        {"Julia set of -0.7269 + 0.1889 i at its fixed point", BarelyRepellingRe, BarelyRepellingIm, 60, 50000,
         "-0.7269", "0.1889"},
        {"Misiurewicz point i", "0", "1", 300, 25000, nullptr, nullptr},
        {"Misiurewicz point -2, the needle's tip", "-2", "0", 300, 25000, nullptr, nullptr},
        {"Misiurewicz point i, beyond long double's exponent", "0", "1", 20000, 200000, nullptr, nullptr},
        {"Misiurewicz point near -0.1011 + 0.9563 i, beyond long double's exponent", landsRe.c_str(),
         landsIm.c_str(), 20000, 200000, nullptr, nullptr},
    }};
    std::printf("%dx%d, 2 threads, wall time of the whole frame (reference orbit, table, pixels)\n", width, height);
    for (const DeepView& view : views) {
        std::vector<std::string> options = ViewOptions(view, width, height);
        std::printf("%s, 4e-%d wide, IterMax %d\n", view.name, view.exponent, view.iterMax);
        std::ostringstream out, errors;
        BestTime best(Clock::Wall);
        best.Measure([&] {
            std::vector<std::string> fast = options;
            fast.insert(fast.end(), {"--fast-deep", "--raw", raw});
            RunRenderer(fast, out, errors);
        });
        std::printf("  fast deep zoom: %.3f s\n", best.Seconds());
        if (exact && view.exponent <= ExactExponentLimit) {
            options.push_back("--agreement");
            RunRenderer(options, out, errors);
            std::printf("%s", out.str().c_str());
        }
        std::fflush(stdout);
    }
    std::remove(raw.c_str());
    return 0;
}
