#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfInputFile.h>
#include <OpenEXR/ImfIntAttribute.h>
#include <OpenEXR/ImfStringAttribute.h>

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/renderer.h"
#include "test_support.h"

namespace {

using Arguments = std::vector<std::string>;

Arguments operator+(Arguments first, const Arguments& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The kernel results as OpenEXR's own reader returns them.
struct ExrContent {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> escape, a, b;  // bit patterns
    std::vector<float> continuous;       // empty without the channel
    std::string kind, realmin;
    int32_t iterMax = 0;

    explicit ExrContent(const std::string& path)
    {
        Imf::InputFile file(path.c_str());
        const Imath::Box2i window = file.header().dataWindow();
        width = window.max.x - window.min.x + 1;
        height = window.max.y - window.min.y + 1;
        const size_t count = static_cast<size_t>(width) * height;
        escape.resize(count);
        a.resize(count);
        b.resize(count);
        Imf::FrameBuffer buffer;
        buffer.insert("escape", Imf::Slice(Imf::UINT, reinterpret_cast<char*>(escape.data()), 4, 4 * size_t(width)));
        buffer.insert("A", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(a.data()), 4, 4 * size_t(width)));
        buffer.insert("B", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(b.data()), 4, 4 * size_t(width)));
        if (file.header().channels().findChannel("continuous")) {
            continuous.resize(count);
            buffer.insert("continuous",
                          Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(continuous.data()), 4, 4 * size_t(width)));
        }
        file.setFrameBuffer(buffer);
        file.readPixels(window.min.y, window.max.y);
        kind = file.header().typedAttribute<Imf::StringAttribute>("kind").value();
        iterMax = file.header().typedAttribute<Imf::IntAttribute>("IterMax").value();
        if (const auto* edge = file.header().findTypedAttribute<Imf::StringAttribute>("Realmin"))
            realmin = edge->value();
    }
};

// The --raw file's three arrays as bit patterns.
std::vector<std::vector<uint32_t>> RawArrays(const std::string& path, size_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    std::vector<std::vector<uint32_t>> arrays(3, std::vector<uint32_t>(count));
    if (bytes.size() != 28 + 12 * count)
        return {};
    for (size_t k = 0; k < 3; ++k)
        std::memcpy(arrays[k].data(), bytes.data() + 28 + 4 * count * k, 4 * count);
    return arrays;
}

class RendererExrTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    static int Render(const Arguments& arguments)
    {
        std::ostringstream out, err;
        return RunRenderer(arguments, out, err);
    }
};

TEST_F(RendererExrTest, ChannelsAreTheRawKernelResultsAndTheHeaderDescribesTheFrame)
{
    const std::vector<Arguments> frames{
        {"--size", "37x23", "--iter", "300", "--mode", "R"},
        {"--size", "24x18", "--iter", "300", "--view", "-0.97e-20", "1.03e-20", "0.999999999999999999993",
         "1.000000000000000000008"},
        {"--size", "30x20", "--iter", "200", "--julia", "-0.75", "0.125"}};
    for (const Arguments& frame : frames) {
        ASSERT_EQ(Render(frame + Arguments{"--exr", PathOf("map.exr"), "--raw", PathOf("map.raw")}), 0);
        const ExrContent exr(PathOf("map.exr"));
        const auto raw = RawArrays(PathOf("map.raw"), exr.escape.size());
        ASSERT_EQ(raw.size(), 3u) << frame[1];
        EXPECT_EQ(exr.escape, raw[0]) << frame[1];
        EXPECT_EQ(exr.a, raw[1]) << frame[1];
        EXPECT_EQ(exr.b, raw[2]) << frame[1];
        EXPECT_EQ(std::to_string(exr.width) + "x" + std::to_string(exr.height), frame[1]);
        EXPECT_EQ(exr.iterMax, std::stoi(frame[3]));
        EXPECT_EQ(exr.kind, frame[4] == "--julia" ? "Julia" : "Mandelbrot");
    }
    EXPECT_EQ(ExrContent(PathOf("map.exr")).realmin, "");
    ASSERT_EQ(Render({"--size", "8x6", "--view", "-2.5", "1.5", "-1.5", "1.5", "--exr", PathOf("map.exr")}), 0);
    EXPECT_EQ(ExrContent(PathOf("map.exr")).realmin, "-2.5");
}

TEST_F(RendererExrTest, GenericModesCarryTheContinuousCount)
{
    ASSERT_EQ(Render({"--size", "40x30", "--iter", "300", "--exr", PathOf("map.exr")}), 0);
    const ExrContent exr(PathOf("map.exr"));
    ASSERT_EQ(exr.continuous.size(), exr.escape.size());
    // n + log2(ln(ln 128)) - log2(ln(A + B)) for escaped pixels, 0 inside.
    const long double k = std::log2(std::log(std::log(128.0L)));
    int escaped = 0;
    for (size_t i = 0; i < exr.escape.size(); ++i) {
        float a, b;
        std::memcpy(&a, &exr.a[i], 4);
        std::memcpy(&b, &exr.b[i], 4);
        const int32_t n = static_cast<int32_t>(exr.escape[i]);
        const long double expected = n == 0 ? 0 : (k + n) - std::log2(std::log(static_cast<long double>(a) + b));
        EXPECT_NEAR(exr.continuous[i], static_cast<float>(expected), 1e-4f * (n + 1)) << i;
        escaped += n > 0;
    }
    EXPECT_GT(escaped, 100);

    // The formula modes colour by other quantities: no such channel.
    ASSERT_EQ(Render({"--size", "8x6", "--mode", "2", "--exr", PathOf("map.exr")}), 0);
    EXPECT_TRUE(ExrContent(PathOf("map.exr")).continuous.empty());
}

TEST_F(RendererExrTest, UnwritableOrRefusedMapLeavesNoFile)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("taken"));
    EXPECT_EQ(Render({"--size", "8x6", "--exr", PathOf("missing/map.exr")}), 1);
    EXPECT_EQ(Render({"--size", "8x6", "--exr", PathOf("taken")}), 1);
    EXPECT_EQ(Render({"--size", "8x6", "--supersample", "2", "--exr", PathOf("map.exr")}), 2);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"taken"}));
}

}  // namespace
