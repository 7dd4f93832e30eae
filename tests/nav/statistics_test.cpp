#include <limits>
#include <optional>

#include "nav/statistics.h"
#include "test_support.h"

namespace {

class StatisticsTest : public FreshStateTest {
protected:
    // The picture as a row of colour values.
    static void UsePicture(const std::vector<int32_t>& values)
    {
        UsePictureSize(static_cast<int32_t>(values.size()), 1);
        std::copy(values.begin(), values.end(), Results.IterBuffer.begin());
    }

    static std::optional<StatisticsRow> Row(int number)
    {
        for (const StatisticsRow& row : StatisticsRows())
            if (row.number == number)
                return row;
        return std::nullopt;
    }

    static std::string Value(int number)
    {
        const auto row = Row(number);
        return row ? row->value : "(not shown)";
    }
};

TEST_F(StatisticsTest, LinesOfAFreshStateInLayoutOrder)
{
    UsePictureSize(4, 3);
    State.ThreadCount = 6;
    const std::vector<StatisticsRow> rows = StatisticsRows();
    std::vector<int> numbers;
    for (const StatisticsRow& row : rows)
        numbers.push_back(row.number);
    // No time yet, and an all-inside picture uses no palette entry.
    EXPECT_EQ(numbers, (std::vector<int>{1, 8, 9, 10, 13, 14, 17}));
    EXPECT_EQ(rows[0].label, " MANDELBROT");
    EXPECT_EQ(rows[1].label, " Itermax:");
    EXPECT_EQ(rows[1].value, " 100 iterations");
    EXPECT_EQ(rows[2].label, " Bailout:");
    EXPECT_EQ(rows[2].value, " 128");
    EXPECT_EQ(rows[3].label, " Size:");
    EXPECT_EQ(rows[3].value, " 4 x 3");
    EXPECT_EQ(rows[4].label, " Processors/Threads used:");
    EXPECT_EQ(rows[4].value, " 6");
    EXPECT_EQ(rows[5].label, " Precision:");
    EXPECT_EQ(rows[5].value, "80 bits");
    EXPECT_EQ(rows[6].label, " System version:");
    EXPECT_FALSE(rows[6].value.empty());
    EXPECT_EQ(State.InsidePixelCount, 12);

    State.FractalFlags = 6;
    EXPECT_EQ(Row(1)->label, " JULIA");
}

TEST_F(StatisticsTest, ElapsedTimeInSecondsThenHoursMinutesSeconds)
{
    // No time, no speed.
    State.ElapsedSeconds = 0;
    EXPECT_FALSE(Row(11));
    EXPECT_FALSE(Row(12));
    State.ElapsedSeconds = 59.9f;
    EXPECT_EQ(Row(11)->label, " Elapsed time:");
    EXPECT_EQ(Value(11), " 59.9 seconds");
    State.ElapsedSeconds = 60;
    EXPECT_EQ(Value(11), " 0 h  1 m  0 s");
    State.ElapsedSeconds = 3725;
    EXPECT_EQ(Value(11), " 1 h  2 m  5 s");
    // Whole seconds round halves to even.
    EXPECT_EQ(HoursMinutesSecondsText(3724.5L), " 1 h  2 m  4 s");
    EXPECT_EQ(HoursMinutesSecondsText(3725.5L), " 1 h  2 m  6 s");
    EXPECT_EQ(HoursMinutesSecondsText(7199.6L), " 2 h  0 m  0 s");
}

TEST_F(StatisticsTest, PixelsPerSecondRoundHalvesToEven)
{
    State.ElapsedSeconds = 2;
    UsePictureSize(5, 5);  // 12.5 per second
    EXPECT_EQ(Row(12)->label, " Pixels/sec:");
    EXPECT_EQ(Value(12), " 12");
    UsePictureSize(3, 5);  // 7.5 per second
    EXPECT_EQ(Value(12), " 8");
    // A time too short for any integer type still gives a number.
    State.ElapsedSeconds = std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(Value(12), " 1.07043576952947E+46");  // 15 * 2^149
}

TEST_F(StatisticsTest, PrecisionIsExtendedUnlessDeepZoom)
{
    State.PrecisionBits = 512;
    EXPECT_EQ(Value(14), "80 bits");
    EXPECT_EQ(Value(18), "(not shown)");
    // An extended frame computed by perturbation names its path too.
    State.LastExtendedPath = ExtendedPath::Perturbation;
    EXPECT_EQ(Value(18), "perturbation in double, extended kernels where they decide");
    State.LastExtendedPath = ExtendedPath::DoubleLanes;
    EXPECT_EQ(Value(18), "vector lanes of double, extended kernels where they decide");
    State.DeepZoom = 1;
    EXPECT_EQ(Value(14), " 512 bits");
    EXPECT_EQ(Value(18), "arbitrary precision");
}

TEST_F(StatisticsTest, DirectColoursUseNoPaletteEntry)
{
    UsePicture({-1, -0x123456, std::numeric_limits<int32_t>::min()});
    EXPECT_EQ(CountColors(), 0);
    EXPECT_EQ(State.InsidePixelCount, 0);
    EXPECT_FALSE(Row(15));
    EXPECT_FALSE(Row(16));
}

TEST_F(StatisticsTest, ColoursCountedAtTheirShiftedEntry)
{
    State.PaletteOffset = 10;
    UsePicture({0, 1, 1, 2, 0, -5, 3, 0});
    EXPECT_EQ(CountColors(), 3);
    EXPECT_EQ(State.InsidePixelCount, 3);
    EXPECT_EQ(Row(15)->label, " Colors used:");
    EXPECT_EQ(Value(15), " 3");
    EXPECT_EQ(Row(16)->label, " Inside pixels: ");
    EXPECT_EQ(Value(16), " 3");

    // The spare elements after the picture are not part of it.
    UsePictureSize(2, 2);
    Results.IterBuffer.assign(Results.IterBuffer.size(), 7);
    Results.IterBuffer[0] = 0;
    EXPECT_EQ(CountColors(), 1);
    EXPECT_EQ(State.InsidePixelCount, 1);
}

TEST_F(StatisticsTest, IndicesBeyondTheTableCountWhereTheyAreShown)
{
    // Offset + value: PaletteSize (the last entry), PaletteSize + 1 and
    // 2 * PaletteSize + 1 (both shown as entry 1).
    State.PaletteOffset = PaletteSize - 1;
    UsePicture({1, 2, PaletteSize + 2});
    EXPECT_EQ(CountColors(), 2);

    // A negative offset wraps from the top: -2 is entry PaletteSize - 2.
    State.PaletteOffset = -5;
    UsePicture({3, PaletteSize - 2 + 5});
    EXPECT_EQ(CountColors(), 1);

    constexpr int32_t Largest = std::numeric_limits<int32_t>::max();
    State.PaletteOffset = Largest;
    UsePicture({Largest, Largest - 1});
    EXPECT_EQ(CountColors(), 2);
    State.PaletteOffset = std::numeric_limits<int32_t>::min();
    UsePicture({1, PaletteSize + 1});
    EXPECT_EQ(CountColors(), 1);
}

}  // namespace
