#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "color/display.h"
#include "engine/big_view.h"
#include "engine/view_texts.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "test_support.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

int32_t Int32At(const std::string& bytes, size_t offset)
{
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

std::string Patched(std::string bytes, size_t offset, int32_t value)
{
    std::memcpy(bytes.data() + offset, &value, 4);
    return bytes;
}

class ImageFileTest : public FreshStateTest {
protected:
    QTemporaryDir folder;

    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    void Fresh()
    {
        InitialiseStateDefaults(1280, 1024, 2);
        platform.messages.clear();
        FrameImage = FrameImageBuffer{};
    }
    // Palette indices and direct colours, the reserve after the picture included.
    static std::vector<int32_t> UsePicture(int32_t width, int32_t height)
    {
        UsePictureSize(width, height);
        for (size_t i = 0; i < Results.IterBuffer.size(); ++i)
            Results.IterBuffer[i] = i % 3 ? static_cast<int32_t>(i * 37) : -static_cast<int32_t>(i * 40503 & 0xFFFFFF);
        Results.ZReBuffer.assign(Results.ZReBuffer.size(), 1.5f);
        return {Results.IterBuffer.begin(), Results.IterBuffer.end()};
    }
    static void UseView(bool deep, bool mandelbrot)
    {
        State.FractalFlags = mandelbrot ? 5 : 6;
        if (deep)
            SetPrecision(160);
        ApplyTypedView(deep ? std::array<std::string, 4>{"-0.97000000000000000000000000000001e-20", "1.03e-20",
                                                         "0.999999999999999999993", "1.000000000000000000008"}
                            : std::array<std::string, 4>{"-1.25", "1.75", "-1.5", "1.5"});
        SyncViewTexts();
    }
};

TEST_F(ImageFileTest, SizesAndSaveLoadSaveGivesTheSameBytes)
{
    for (const auto& [deep, mandelbrot] : {std::pair{false, true}, {false, false}, {true, true}, {true, false}}) {
        SCOPED_TRACE(std::string(deep ? ".fpz" : ".fpi") + (mandelbrot ? " Mandelbrot" : " Julia"));
        Fresh();
        State.IterMax = 4321;
        State.PaletteHSL = 1;
        State.ColorOptions = 2 | (1 << 7);  // a stale "Exp 2" bit the writer must clear
        const std::vector<int32_t> picture = UsePicture(12, 9);
        UseView(deep, mandelbrot);
        ASSERT_EQ(State.DeepZoom, deep ? 1 : 0);
        ASSERT_TRUE(SaveImageParameterFile(PathOf("first")));
        const std::string bytes = ReadAll(PathOf("first"));
        const size_t p = 4 * 14 * 11, records = mandelbrot ? 6 : 8;
        size_t limbs = 0;
        for (size_t k = 0; deep && k < records; ++k)
            limbs += static_cast<size_t>(std::abs(Int32At(bytes, 85 + p + 16 * k + 4)));
        EXPECT_EQ(bytes.size(), deep ? 85 + p + 16 * records + 4 * limbs : (mandelbrot ? 3085 : 4085) + p);
        EXPECT_EQ(Int32At(bytes, 9), 2 | 16);
        const size_t block = deep ? 77 : mandelbrot ? 3077 : 4077;
        EXPECT_EQ(Int32At(bytes, block) * 100 + Int32At(bytes, block + 4), 1209);

        Fresh();
        ASSERT_EQ(LoadImageParameterFile(PathOf("first")), 1);
        EXPECT_TRUE(platform.messages.empty());
        EXPECT_EQ(State.PicWidth * 100 + State.PicHeight, 1209);
        EXPECT_EQ(std::vector<int32_t>(Results.IterBuffer.begin(), Results.IterBuffer.end()), picture);
        EXPECT_EQ(Results.ZReBuffer, HugePageVector<float>(14 * 11, 0.0f));
        EXPECT_EQ(Results.ZImBuffer, Results.ZReBuffer);
        EXPECT_EQ(State.IterMax + State.PaletteHSL + State.PaletteExp2, 4322);
        EXPECT_EQ(State.FractalFlags, mandelbrot ? 5 : 6);
        ASSERT_TRUE(SaveImageParameterFile(PathOf("again")));
        EXPECT_TRUE(ReadAll(PathOf("again")) == bytes);
    }
}

TEST_F(ImageFileTest, LoadCommandLocksThePictureEvenWhenCancelled)
{
    UsePicture(10, 4);
    ASSERT_TRUE(SaveFpiFile(PathOf("p.fpi")));
    Fresh();
    platform.answers = {PathOf("p.fpi")};
    LoadFractalWithImageCommand();
    EXPECT_EQ(State.FrameValid + State.PictureLocked, 2);
    EXPECT_EQ(State.TitleFileName, PathOf("p.fpi"));
    EXPECT_EQ(FrameImage.width * FrameImage.height, 40);

    UsePictureSize(6, 5);
    State.FrameValid = State.PictureLocked = 0;
    LoadFractalWithImageCommand();  // no answer: cancelled
    EXPECT_EQ(State.FrameValid + State.PictureLocked, 2);
    EXPECT_EQ(FrameImage.width * FrameImage.height, 30);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(ImageFileTest, FirstByteDecidesAndTheParameterPartLoadsAlone)
{
    UsePicture(5, 3);
    UseView(true, true);
    ASSERT_TRUE(SaveFpzFile(PathOf("x.fpi")));
    const std::string realmin = BigFloatText(BigRealmin, nullptr);
    Fresh();
    ASSERT_EQ(LoadImageParameterFile(PathOf("x.fpi")), 1);
    EXPECT_EQ(State.LoadedIterMaxHeld, 0);
    EXPECT_EQ(State.DeepZoom * State.PicWidth, 5);
    EXPECT_EQ(BigFloatText(BigRealmin, nullptr), realmin);

    Fresh();
    State.IterMax = 777;
    UsePicture(5, 3);
    ASSERT_TRUE(SaveFpiFile(PathOf("m.fpi")));
    std::ofstream(PathOf("m.fra"), std::ios::binary) << ReadAll(PathOf("m.fpi")).substr(0, 3077);
    Fresh();
    ASSERT_EQ(LoadParameterFile(PathOf("m.fra")), 1);
    EXPECT_EQ(State.IterMax, 777);
}

TEST_F(ImageFileTest, ViewTooLongForTextFieldsIsNotSavedAsFpi)
{
    SetPrecision(2500);
    State.DeepZoom = 1;
    ApplyTypedView({"-2." + std::string(598, '0') + "1", "1.5", "-1.5", "1.5"});  // 600 digits
    EXPECT_FALSE(SaveFpiFile(PathOf("long.fpi")));
    ASSERT_EQ(State.DeepZoom, 0);  // a wide view: the command picks .fpi too
    platform.answers = {PathOf("long.fpi")};
    SaveFractalWithImageCommand();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].caption, "QUORVATIX");
    EXPECT_TRUE(State.ParamFileName.empty());
    EXPECT_FALSE(std::filesystem::exists(PathOf("long.fpi")));
}

TEST_F(ImageFileTest, DamagedPictureBlocksAreRefusedAndChangeNothing)
{
    UsePicture(4, 3);
    ASSERT_TRUE(SaveFpiFile(PathOf("good.fpi")));
    UseView(true, true);
    ASSERT_TRUE(SaveFpzFile(PathOf("good.fpz")));
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& [name, block] : {std::pair{"good.fpi", 3077}, {"good.fpz", 77}}) {
        const std::string good = ReadAll(PathOf(name)), trace = name;
        // 16384 is the largest side allowed; 16384 x 16384 lies far beyond the file.
        for (const int32_t side : {0, -1, -100000, 100000, 40, 16384})
            files.emplace_back(trace + " width " + std::to_string(side), Patched(good, block, side));
        files.emplace_back(trace + " height 0", Patched(good, block + 4, 0));
        files.emplace_back(trace + " huge", Patched(Patched(good, block, 16384), block + 4, 16384));
        files.emplace_back(trace + " truncated", good.substr(0, good.size() - 1));
        files.emplace_back(trace + " trailing byte", good + '\0');
    }
    const std::vector<int32_t> picture = UsePicture(7, 2);
    State.ParamFileName = "shown.fpz";
    const std::string view = BigFloatText(BigRealmin, nullptr) + Texts.RealminText;
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        platform.messages.clear();
        std::ofstream(PathOf("bad.fpz"), std::ios::binary) << bytes;
        EXPECT_EQ(LoadImageParameterFile(PathOf("bad.fpz")), 0);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, "Not a quorvatix-file!");
        EXPECT_EQ(State.PicWidth * 10 + State.PicHeight, 72);
        EXPECT_EQ(std::vector<int32_t>(Results.IterBuffer.begin(), Results.IterBuffer.end()), picture);
        EXPECT_EQ(Results.ZReBuffer.size() + Results.ZImBuffer.size(), 72u);
        EXPECT_EQ(BigFloatText(BigRealmin, nullptr) + Texts.RealminText + State.ParamFileName, view + "shown.fpz");
    }
}

}  // namespace
