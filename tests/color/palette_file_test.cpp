#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "color/palette_file.h"
#include "color/palette_generation.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

void PutWord(Bytes& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A file as the writer lays it out: nine floats, the option word, the offset.
Bytes PaletteBytes(const std::array<float, 9>& generator, int32_t options, int32_t offset,
                   bool withOffset = true)
{
    Bytes bytes;
    for (const float value : generator)
        PutWord(bytes, std::bit_cast<uint32_t>(value));
    PutWord(bytes, static_cast<uint32_t>(options));
    if (withOffset)
        PutWord(bytes, static_cast<uint32_t>(offset));
    return bytes;
}

class PaletteFileTest : public FreshStateTest {
protected:
    fs::path folder;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        UsePictureSize(4, 3);
        folder = fs::temp_directory_path() / ("qx-palette-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        BuildDefaultPalette();
    }
    void TearDown() override
    {
        fs::remove_all(folder);
        FreshStateTest::TearDown();
    }

    std::string PathOf(const char* name) const { return (folder / name).string(); }
    std::string Write(const char* name, const Bytes& bytes) const
    {
        std::ofstream(PathOf(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return PathOf(name);
    }
    Bytes Read(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
};

const std::array<float, 9> SomeInputs{30, 40.5f, 50, 2, 1.25f, 3, 200, 180, 240};

std::array<int32_t, 5> SwitchesInBitOrder()
{
    return {State.PaletteHSL, State.PaletteInverse, State.PaletteReverse, State.PaletteExp2,
            State.PaletteExp3};
}

TEST_F(PaletteFileTest, LoadsBothSizesIntoInputsSwitchesAndOffset)
{
    // HSL, Reverse and Exp 3 on, inside colour on, offset 77.
    const int32_t options = 1 | 1 << 4 | 1 << 6 | 1 << 8;
    ASSERT_TRUE(LoadPaletteFile(Write("full.pal", PaletteBytes(SomeInputs, options, 77))));
    EXPECT_EQ(State.PaletteGen, SomeInputs);
    EXPECT_EQ(State.ColorOptions, options);
    EXPECT_EQ(State.PaletteOffset, 77);
    EXPECT_EQ(SwitchesInBitOrder(), (std::array{1, 0, 1, 0, 1}));
    EXPECT_EQ(State.PictureLocked, 0);
    EXPECT_EQ(platform.framesShown, 1);
    EXPECT_TRUE(platform.messages.empty());
    // The table is regenerated from the loaded inputs (entry 0 is the display's).
    const std::vector<uint32_t> loaded(Palette.begin() + 1, Palette.end() - 1);
    GeneratePaletteRegular();
    EXPECT_EQ(loaded, std::vector<uint32_t>(Palette.begin() + 1, Palette.end() - 1));

    // The short form: no offset, so the old one is reset; Inverse and Exp 2 from bits 5, 7.
    ASSERT_TRUE(LoadPaletteFile(Write("short.pal", PaletteBytes(SomeInputs, 1 << 5 | 1 << 7, 0, false))));
    EXPECT_EQ(State.PaletteOffset, 0);
    EXPECT_EQ(State.ColorOptions, 1 << 5 | 1 << 7);
    EXPECT_EQ(SwitchesInBitOrder(), (std::array{0, 1, 0, 1, 0}));

    // Only smooth colours, stored in the picture itself, need a new frame.
    State.FrameValid = 1;
    ASSERT_TRUE(LoadPaletteFile(Write("plain.pal", PaletteBytes(SomeInputs, 4, 0))));
    EXPECT_EQ(State.FrameValid, 1);
    ASSERT_TRUE(LoadPaletteFile(Write("smooth.pal", PaletteBytes(SomeInputs, 2, 0))));
    EXPECT_EQ(State.FrameValid, 0);
}

TEST_F(PaletteFileTest, WhatIsWrittenLoadsBackToTheSameBytes)
{
    const Bytes original = PaletteBytes(SomeInputs, 1 | 2 | 1 << 5 | 1 << 8, 1234);
    ASSERT_TRUE(LoadPaletteFile(Write("a.pal", original)));
    ASSERT_TRUE(SavePaletteFile(PathOf("b.pal")));
    EXPECT_EQ(Read(PathOf("b.pal")), original);

    // A short file is written back in the full form with offset 0.
    const Bytes shortForm = PaletteBytes(SomeInputs, 4 | 1 << 4, 0, false);
    ASSERT_TRUE(LoadPaletteFile(Write("c.pal", shortForm)));
    ASSERT_TRUE(SavePaletteFile(PathOf("c.pal")));
    EXPECT_EQ(Read(PathOf("c.pal")), PaletteBytes(SomeInputs, 4 | 1 << 4, 0));
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(PaletteFileTest, SavingRefreshesEverySwitchBit)
{
    // A stale Inverse bit would otherwise load as a different palette.
    State.ColorOptions = 1 | 1 << 5 | 1 << 6;
    State.PaletteExp2 = 1;
    ASSERT_TRUE(SavePaletteFile(PathOf("switches.pal")));
    EXPECT_EQ(State.ColorOptions, 1 | 1 << 7);
    EXPECT_EQ(Read(PathOf("switches.pal")), PaletteBytes(State.PaletteGen, 1 | 1 << 7, 0));
}

TEST_F(PaletteFileTest, RefusedFilesChangeNothing)
{
    State.ColorOptions = 4 | 1 << 4;
    State.PaletteHSL = 1;
    State.PaletteOffset = 9;
    GeneratePaletteRegular();
    const auto generator = State.PaletteGen;
    const std::vector<uint32_t> palette(Palette.begin(), Palette.end());

    const Bytes good = PaletteBytes(SomeInputs, 2, 5);
    Bytes longer = good;
    longer.push_back(0);
    const struct {
        const char* name;
        Bytes bytes;
    } refused[] = {
        {"empty.pal", {}},
        {"truncated.pal", Bytes(good.begin(), good.begin() + 39)},
        {"between.pal", Bytes(good.begin(), good.begin() + 42)},
        {"longer.pal", longer},
    };
    std::vector<std::string> paths{PathOf("missing.pal"), folder.string()};
    for (const auto& file : refused)
        paths.push_back(Write(file.name, file.bytes));

    for (const std::string& path : paths) {
        platform.messages.clear();
        EXPECT_FALSE(LoadPaletteFile(path)) << path;
        ASSERT_EQ(platform.messages.size(), 1u) << path;
        EXPECT_EQ(platform.messages[0].text, "Not a Quorvatix-file!");
        EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
        EXPECT_EQ(State.PaletteGen, generator) << path;
        EXPECT_EQ(State.ColorOptions, 4 | 1 << 4) << path;
        EXPECT_EQ(SwitchesInBitOrder(), (std::array{1, 0, 0, 0, 0})) << path;
        EXPECT_EQ(State.PaletteOffset, 9) << path;
        EXPECT_TRUE(std::equal(palette.begin(), palette.end(), Palette.begin())) << path;
    }
    EXPECT_EQ(platform.framesShown, 0);
}

TEST_F(PaletteFileTest, CommandsCancelFailAndLoad)
{
    State.PaletteOffset = 9;
    platform.answers = {"Cancel", "Cancel"};
    SavePaletteCommand();
    LoadPaletteCommand();
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(State.PaletteOffset, 9);
    EXPECT_EQ(platform.framesShown, 0);

    // A folder in the way: the save fails loudly and leaves no temporary behind.
    fs::create_directory(PathOf("taken.pal"));
    platform.answers = {PathOf("taken.pal")};
    SavePaletteCommand();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
    EXPECT_NE(platform.messages[0].text.find("could not be saved"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(PathOf("taken.pal")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    platform.answers = {Write("chosen.pal", PaletteBytes(SomeInputs, 4, 3))};
    LoadPaletteCommand();
    EXPECT_EQ(State.PaletteGen, SomeInputs);
    EXPECT_EQ(State.PaletteOffset, 3);
    EXPECT_EQ(platform.framesShown, 1);
}

}  // namespace
