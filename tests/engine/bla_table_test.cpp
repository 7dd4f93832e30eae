#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "engine/bla_table.h"
#include "engine/perturbation_pixel.h"

namespace {

using Complex = std::complex<long double>;

// |Z| = 0.5 turning by 0.7 radians a step: every pass is safe and linear
// steps stay of size 1, so any step length is valid for a small delta.
HugePageVector<OrbitValue<double>> TurningOrbit(int length)
{
    HugePageVector<OrbitValue<double>> orbit;
    for (int m = 0; m < length; ++m)
        orbit.push_back({0.5 * std::cos(0.7 * m), 0.5 * std::sin(0.7 * m)});
    return orbit;
}

// A and B of the iterations from m to m + count, one by one.
void ComposedStep(const HugePageVector<OrbitValue<double>>& orbit, int64_t m, int64_t count, Complex& a, Complex& b)
{
    a = 1;
    b = 0;
    for (int64_t j = m; j < m + count; ++j) {
        const Complex twiceZ(2.0L * orbit[j].re, 2.0L * orbit[j].im);
        a = twiceZ * a;
        b = twiceZ * b + 1.0L;
    }
}

void ExpectStepFrom(const BlaTable<double>& table, const HugePageVector<OrbitValue<double>>& orbit, int64_t m,
                    int64_t maxPasses, int64_t expectedPasses)
{
    int64_t passes = 0;
    const BlaStep<double>* step = table.Find(m, 1e-30, maxPasses, passes);
    ASSERT_NE(step, nullptr) << "from " << m;
    EXPECT_EQ(passes, expectedPasses) << "from " << m;
    Complex a, b;
    ComposedStep(orbit, m, 4 * passes, a, b);
    EXPECT_LT(std::abs(Complex(step->aRe, step->aIm) - a), 1e-12L * std::abs(a)) << "from " << m;
    EXPECT_LT(std::abs(Complex(step->bRe, step->bIm) - b), 1e-12L * std::abs(b)) << "from " << m;
}

TEST(BlaTableTest, StepsFromAnyIndexComposeTheOrbitsIterations)
{
    const HugePageVector<OrbitValue<double>> orbit = TurningOrbit(600);
    BlaTable<double> table;
    table.Build(orbit, std::ldexp(1.0, -36), 0.0);
    // Steps of up to 32 passes start anywhere, longer ones where their
    // length divides the pass count m / 4.
    for (int64_t m : {5, 13, 130, 391})
        ExpectStepFrom(table, orbit, m, 40, 32);
    ExpectStepFrom(table, orbit, 257, 1000, 64);
    ExpectStepFrom(table, orbit, 1, 1000, 128);
    // Where the next such pass count's step would serve, steps climb there,
    // each doubling the alignment.
    ExpectStepFrom(table, orbit, 13, 1000, 1);
    ExpectStepFrom(table, orbit, 9, 1000, 2);
    ExpectStepFrom(table, orbit, 130, 1000, 32);
    // The end of the iterations caps the step; so does the orbit's end.
    ExpectStepFrom(table, orbit, 5, 3, 2);
    ExpectStepFrom(table, orbit, 500, 1000, 16);
}

// A step taken at half its radius, with the frame's largest dc, lands within
// the share of the iterations' own value the table may drop; its linear
// terms alone would not.
// Near an attracting cycle A shrinks below double's range; a difference
// that shrank with it still takes the longest steps.
TEST(BlaTableTest, StepsOverAnAttractingOrbitGrowWhereATurnsToNothing)
{
    const HugePageVector<OrbitValue<double>> orbit(4000, OrbitValue<double>{0.1, 0.0});
    BlaTable<double> table;
    table.Build(orbit, std::ldexp(1.0, -36), 0.0);
    int64_t passes = 0;
    const BlaStep<double>* step = table.Find(1, 1e-30, 1000, passes);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->aRe, 0.0);
    EXPECT_EQ(passes, 512);
}

TEST(BlaTableTest, StepsKeepTheIterationsToSecondOrder)
{
    const HugePageVector<OrbitValue<double>> orbit = TurningOrbit(600);
    const double epsilon = std::ldexp(1.0, -36);
    const double maxDc = 1e-9;
    BlaTable<double> table;
    table.Build(orbit, epsilon, maxDc);
    const Complex dc(0.6e-9, -0.8e-9);
    for (int64_t m : {5, 130, 257}) {
        int64_t passes = 0;
        const BlaStep<double>* step = table.Find(m, 1e-30, 1000, passes);
        ASSERT_NE(step, nullptr);
        const long double size = step->radius / 2;
        const Complex start(size * 0.6L, size * 0.4L);
        Complex exact = start;
        for (int64_t j = m; j < m + 4 * passes; ++j)
            exact = Complex(2.0L * orbit[j].re, 2.0L * orbit[j].im) * exact + exact * exact + dc;
        long double re = 0, im = 0;
        const perturbation::TableStepTerms<long double> terms(start.real(), start.imag(), dc.real(), dc.imag());
        terms.Apply(*step, re, im);
        const Complex stepped(re, im);
        const long double allowed = 4 * passes * epsilon * std::abs(exact);
        EXPECT_LT(std::abs(stepped - exact), allowed) << "from " << m << ", " << passes << " passes";
        const Complex linear = Complex(step->aRe, step->aIm) * start + Complex(step->bRe, step->bIm) * dc;
        EXPECT_GT(std::abs(linear - exact), allowed) << "from " << m;
    }
}

TEST(BlaTableTest, LongOrbitsAndAlignedTablesStepFromEveryIndexOnlyOnePassAtATime)
{
    const HugePageVector<OrbitValue<double>> longOrbit = TurningOrbit(300000);
    const HugePageVector<OrbitValue<double>> orbit = TurningOrbit(600);
    BlaTable<double> table, aligned;
    table.Build(longOrbit, std::ldexp(1.0, -36), 0.0);
    aligned.Build(orbit, std::ldexp(1.0, -36), 0.0, TableStarts::Aligned);
    ExpectStepFrom(table, longOrbit, 5, 1000, 1);
    ExpectStepFrom(table, longOrbit, 10, 1000, 2);
    ExpectStepFrom(table, longOrbit, 4096, 1000, 512);
    ExpectStepFrom(aligned, orbit, 5, 1000, 1);
    ExpectStepFrom(aligned, orbit, 10, 1000, 2);
    ExpectStepFrom(aligned, orbit, 257, 1000, 64);
}

TEST(BlaTableTest, TablesBuiltInPartsSideBySideAreTheSameTable)
{
    // Turning at an irrational rate with a varying size, so that neighbouring
    // steps differ; long enough for several parts at every low level.
    HugePageVector<OrbitValue<double>> orbit;
    for (int m = 0; m < 40000; ++m)
        orbit.push_back({(0.3 + 0.2 * std::sin(0.01 * m)) * std::cos(0.7 * m), 0.5 * std::sin(0.7 * m)});
    for (const TableStarts starts : {TableStarts::Every, TableStarts::Aligned}) {
        BlaTable<double> alone, together;
        alone.Build(orbit, std::ldexp(1.0, -36), 1e-12, starts, 1);
        together.Build(orbit, std::ldexp(1.0, -36), 1e-12, starts, 3);
        for (int64_t m = 0; m < 40000; ++m)
            for (const double delta : {1e-14, 1e-9, 1e-5}) {
                int64_t passesAlone = 0, passesTogether = 0;
                const BlaStep<double>* a = alone.Find(m, delta, 1 << 20, passesAlone);
                const BlaStep<double>* b = together.Find(m, delta, 1 << 20, passesTogether);
                ASSERT_EQ(a == nullptr, b == nullptr) << m;
                if (!a)
                    continue;
                ASSERT_EQ(passesAlone, passesTogether) << m;
                EXPECT_TRUE(a->aRe == b->aRe && a->aIm == b->aIm && a->bRe == b->bRe && a->cIm == b->cIm &&
                            a->eRe == b->eRe && a->radius == b->radius)
                    << m;
            }
    }
}

TEST(BlaTableTest, StepsStopBeforeAPassNearZero)
{
    HugePageVector<OrbitValue<double>> orbit = TurningOrbit(600);
    orbit[300] = {1e-20, 0};
    BlaTable<double> table;
    table.Build(orbit, std::ldexp(1.0, -36), 0.0);
    // Steps one after another end on one of the passes that take in Z_300.
    for (int64_t start : {150, 231, 270, 281, 296}) {
        int64_t m = start;
        int64_t passes = 0;
        while (table.Find(m, 1e-15, 1000, passes))
            m += 4 * passes;
        EXPECT_GE(m, 297) << "from " << start;
        EXPECT_LE(m, 300) << "from " << start;
    }
}

}  // namespace

// A pass holding a value on the circle: the pre-test table refuses it only
// where that value is its fourth, or takes it where the landing is checked
// (as do the longer steps over it), but not a value clearly beyond; a table
// for single steps towards a bailout of 128 takes it, and refuses a pass
// with a value near that bailout anywhere in it.
TEST(BlaTableTest, PassesEnterAsTheirTestedValuesAllow)
{
    HugePageVector<OrbitValue<double>> orbit = TurningOrbit(600);
    orbit[201] = {2, 0};
    orbit[301] = {2.01, 0};
    orbit[401] = {0, 11.32};
    BlaTable<double> preTest, checked, bailout;
    preTest.Build(orbit, std::ldexp(1.0, -36), 0.0);
    checked.Build(orbit, std::ldexp(1.0, -36), 0.0, TableStarts::Every, 1, TestedValues::PreTest, 4.0,
                  NearLimitTests::LandingChecked);
    bailout.Build(orbit, std::ldexp(1.0, -36), 0.0, TableStarts::Every, 1, TestedValues::Every, 128.0);
    int64_t passes = 0;
    EXPECT_EQ(preTest.Find(198, 1e-15, 1, passes), nullptr);
    EXPECT_NE(preTest.Find(199, 1e-15, 1, passes), nullptr);
    const BlaStep<double>* onCircle = checked.Find(198, 1e-15, 1, passes);
    ASSERT_NE(onCircle, nullptr);
    EXPECT_TRUE(onCircle->checkLanding);
    const BlaStep<double>* over = checked.Find(190, 1e-15, 8, passes);
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(passes, 8);
    EXPECT_TRUE(over->checkLanding);
    EXPECT_FALSE(checked.Find(199, 1e-15, 1, passes)->checkLanding);
    EXPECT_EQ(checked.Find(298, 1e-15, 1, passes), nullptr);
    EXPECT_NE(bailout.Find(198, 1e-15, 1, passes), nullptr);
    EXPECT_NE(bailout.Find(201, 1e-15, 1, passes), nullptr);
    for (int64_t m = 398; m <= 401; ++m)
        EXPECT_EQ(bailout.Find(m, 1e-15, 1, passes), nullptr) << m;
    EXPECT_NE(bailout.Find(402, 1e-15, 1, passes), nullptr);
}
