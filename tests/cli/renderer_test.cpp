#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "cli/renderer.h"
#include "engine/fractal_state.h"
#include "test_support.h"

namespace {
int forcedProcessorCount = 0;
}

// Lets a test play a one-processor machine: the standard library asks the C
// library for the processor count through this symbol.
extern "C" int get_nprocs()
{
    using Query = int (*)();
    static const Query real = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "get_nprocs"));
    return forcedProcessorCount > 0 ? forcedProcessorCount : (real ? real() : 1);
}

namespace {

using Arguments = std::vector<std::string>;

// No pixel lies where the escape count hangs on the last bit (real axis, c = i).
const Arguments ShallowView{"--view", "-2.013", "0.987", "-1.1234", "1.1266"};
const Arguments DeepView{"--view", "-0.97e-20", "1.03e-20", "0.999999999999999999993", "1.000000000000000000008"};

Arguments operator+(Arguments first, const Arguments& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct RawFile {
    int32_t header[5] = {};  // width, height, variant, deep, precision bits
    std::vector<int32_t> escape;
    std::vector<float> a, b;

    explicit RawFile(const std::string& bytes)
    {
        if (bytes.size() < 28 || bytes.compare(0, 8, "QXRAW001") != 0)
            return;
        std::memcpy(header, bytes.data() + 8, sizeof header);
        const size_t count = static_cast<size_t>(header[0]) * header[1];
        if (bytes.size() != 28 + 12 * count)
            return;
        escape.resize(count);
        a.resize(count);
        b.resize(count);
        std::memcpy(escape.data(), bytes.data() + 28, 4 * count);
        std::memcpy(a.data(), bytes.data() + 28 + 4 * count, 4 * count);
        std::memcpy(b.data(), bytes.data() + 28 + 8 * count, 4 * count);
    }
};

class RendererTest : public ::testing::Test {
protected:
    QTemporaryDir folder;

    struct Result {
        int status;
        std::string out, err;
    };
    static Result Render(const Arguments& arguments)
    {
        std::ostringstream out, err;
        const int status = RunRenderer(arguments, out, err);
        return {status, out.str(), err.str()};
    }
    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    QStringList Entries() const { return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
    std::string RawOf(const Arguments& arguments)
    {
        const Result result = Render(arguments + Arguments{"--raw", PathOf("frame.raw")});
        EXPECT_EQ(result.status, 0) << result.err;
        std::string bytes = ReadBytes(PathOf("frame.raw"));
        std::filesystem::remove(PathOf("frame.raw"));
        return bytes;
    }
    static void ExpectOneLineError(const Result& result, const std::string& what)
    {
        EXPECT_NE(result.status, 0) << what;
        EXPECT_EQ(result.err.rfind("quorvatix-render: ", 0), 0u) << what;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.back(), '\n');
    }
};

TEST_F(RendererTest, HelpListsEveryOptionAndEveryListedOptionIsKnown)
{
    const Result help = Render({"--size", "8x6", "--help"});
    EXPECT_EQ(help.status, 0);
    std::set<std::string> listed;
    std::istringstream lines(help.out);
    std::smatch match;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, match, std::regex(R"(^  (--?[a-z-]+))")))
            listed.insert(match[1]);
    for (const char* option : {"--size", "--threads", "--mode", "--options", "--iter", "--bailout", "--potvalue",
                               "--julia", "--mandelbrot", "--view", "--center", "--precision", "--deep",
                               "--palette-gen", "--palette-switches", "--offset", "-o", "--raw", "--help"})
        EXPECT_TRUE(listed.count(option)) << option;
    for (const std::string& option : listed)
        EXPECT_EQ(Render({option}).err.find("unknown option"), std::string::npos) << option;
}

TEST_F(RendererTest, BadOptionsGiveOneLineAndNoFile)
{
    const std::vector<Arguments> cases{
        {"--frobnicate"}, {"--size"}, {"--size", "0x10"}, {"--size", "640"}, {"--mode", "Z"},
        {"--options", "bogus"}, {"--options", "inside,,smooth"}, {"--threads", "0"}, {"--iter", "12abc"},
        {"--view", "-2", "2", "-1.5", "one"}, {"--view", "-2", "2"}, {"--palette-gen", "0,1,2,3,4,5,6,7"},
        {"--julia", "-0.7", "0.3", "--center", "0", "0", "1"}};
    for (const Arguments& options : cases) {
        const Result result = Render(Arguments{"--size", "8x6", "--raw", PathOf("x.raw")} + options);
        ExpectOneLineError(result, options[0]);
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(RendererTest, UnwritableOutputsFailWithoutLeavingFiles)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("taken"));  // a folder where the file would go
    for (const auto& [option, name] : std::vector<std::pair<const char*, const char*>>{
             {"-o", "missing/out.png"}, {"-o", "out.xyz"}, {"-o", "taken"}, {"--raw", "missing/out.raw"}, {"--raw", "taken"}}) {
        ExpectOneLineError(Render({"--size", "8x6", option, PathOf(name)}), name);
        EXPECT_EQ(Entries(), QStringList({"taken"})) << option << " " << name;
        EXPECT_TRUE(QDir(folder.filePath("taken")).isEmpty());
    }
}

// A pipe (or a device such as /dev/null) named as the output receives the
// bytes and stays what it is: renaming a finished file over it would put a
// plain file in its place. The test holds the pipe open itself, so that the
// small output waits in it and nothing blocks.
TEST_F(RendererTest, OutputsIntoAPipeKeepThePipe)
{
    struct Output {
        const char* option;
        const char* name;
        std::string start;  // the file's first bytes, or empty
    };
    for (const auto& [option, name, start] : std::vector<Output>{
             {"-o", "pipe.png", "\x89PNG"}, {"--raw", "pipe.raw", "QXRA"}, {"--save-palette", "pipe.pal", ""}}) {
        const std::string path = PathOf(name);
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        const int pipe = open(path.c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(pipe, 0);
        const Result result = Render({"--size", "8x6", option, path});
        char received[4096] = {};
        const ssize_t size = read(pipe, received, sizeof received);
        close(pipe);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(std::filesystem::is_fifo(path)) << option;
        EXPECT_GT(size, 4) << option;
        EXPECT_EQ(std::string(received, start.size()), start) << option;
    }
    const auto entries = std::filesystem::directory_iterator(folder.path().toStdString());
    EXPECT_EQ(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)), 3);
}

TEST_F(RendererTest, RawFileLayout)
{
    for (const auto& [mode, variant] : std::vector<std::pair<std::string, int32_t>>{
             {"0", 1}, {"1", 2}, {"P", 3}, {"Q", 4}, {"R", 5}}) {
        const RawFile raw(RawOf({"--size", "12x9", "--mode", mode}));
        ASSERT_EQ(raw.escape.size(), 108u) << mode;  // magic and 28 + 12*W*H bytes checked by the reader
        EXPECT_EQ(std::vector<int32_t>(raw.header, raw.header + 5), std::vector<int32_t>({12, 9, variant, 0, 80}));
    }
    // A and B sit where the header says: escaped pixels carry zr^2 + zi^2 past the bailout.
    const RawFile raw(RawOf({"--size", "40x30"}));
    for (size_t i = 0; i < raw.escape.size(); ++i)
        if (raw.escape[i] > 0)
            EXPECT_GE(raw.a[i] + raw.b[i], 128.0f) << i;
        else
            EXPECT_LT(std::fabs(raw.a[i]) + std::fabs(raw.b[i]), 12.0f) << i;

    const RawFile tiny(RawOf(Arguments{"--size", "24x18", "--iter", "500"} + DeepView));
    ASSERT_EQ(tiny.escape.size(), 24u * 18u);
    EXPECT_EQ(tiny.header[3], 1);
    EXPECT_GT(tiny.header[4], 80);
}

TEST_F(RendererTest, ForcedDeepFrameMatchesExtendedFrame)
{
    const RawFile extended(RawOf(Arguments{"--size", "40x30"} + ShallowView));
    const RawFile deep(RawOf(Arguments{"--size", "40x30"} + ShallowView + Arguments{"--deep"}));
    EXPECT_EQ(extended.header[3], 0);
    EXPECT_EQ(deep.header[3], 1);
    EXPECT_GE(deep.header[4], 64);
    ASSERT_EQ(deep.escape.size(), 1200u);
    EXPECT_EQ(deep.escape, extended.escape);
}

TEST_F(RendererTest, EquivalentOptionOrdersAndFormsGiveTheSameRawFile)
{
    // The Julia view is deep at the start-up size but not at 8x6.
    const Arguments julia{"--julia", "-0.745", "0.113", "--view", "0.1", "0.10000002", "0.2", "0.200000015"};
    for (const auto& [view, size] : std::vector<std::pair<Arguments, std::string>>{
             {ShallowView, "24x18"}, {DeepView, "24x18"}, {julia, "8x6"}}) {
        const std::string sizeFirst = RawOf(Arguments{"--size", size} + view);
        EXPECT_FALSE(sizeFirst.empty());
        EXPECT_TRUE(sizeFirst == RawOf(view + Arguments{"--size", size})) << view[1];
    }
    EXPECT_TRUE(RawOf({"--size", "16x12", "--center", "0", "0", "1"}) ==
                RawOf({"--size", "16x12", "--view", "-2", "2", "-1.5", "1.5"}));
}

TEST_F(RendererTest, ColouringOptionsChangePictureButNotRawFile)
{
    const Arguments outputs{"--size", "24x18", "--raw", PathOf("f.raw"), "-o", PathOf("f.png")};
    ASSERT_EQ(Render(outputs).status, 0);
    const std::string raw = ReadBytes(PathOf("f.raw")), picture = ReadBytes(PathOf("f.png"));
    for (const Arguments& change : std::vector<Arguments>{
             {"--options", "inside,smooth"}, {"--palette-switches", "inverse"}, {"--offset", "5000"}}) {
        ASSERT_EQ(Render(change + outputs).status, 0);
        EXPECT_TRUE(ReadBytes(PathOf("f.raw")) == raw) << change[0];
        EXPECT_FALSE(ReadBytes(PathOf("f.png")) == picture) << change[0];
    }
}

TEST_F(RendererTest, WithoutOutputNoFrameIsComputed)
{
    const Result result = Render({"--size", "24x18", "--mode", "1"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.empty() && result.err.empty());
    EXPECT_EQ(State.FrameValid, 0);
    EXPECT_TRUE(Entries().isEmpty());
}

TEST_F(RendererTest, LongViewKeepsTheDigitsItsPrecisionHolds)
{
    // 1.5e-60 high: at the start-up precision both imaginary edges would
    // become one value. Edges above 1 that differ only past their 57th digit
    // were taken for one value and refused as a view without width.
    const std::vector<Arguments> views{
        {"--view", "-0.97e-60", "1.03e-60", "0.999999999999999999999999999999999999999999999999999999999999993",
         "1.000000000000000000000000000000000000000000000000000000000000008"},
        {"--julia", "-0.123", "0.745", "--view", "1.2765819494559259200108923723127381391741040544095296183861875",
         "1.2765819494559259200108923723127381391741040544095296183861915",
         "-0.4796660548973277933130797237168852779589319918917902843232404",
         "-0.4796660548973277933130797237168852779589319918917902843232374"}};
    for (const Arguments& view : views) {
        const RawFile plain(RawOf(Arguments{"--size", "24x18", "--iter", "1000"} + view));
        const RawFile precise(RawOf(Arguments{"--size", "24x18", "--iter", "1000", "--precision", "300"} + view));
        ASSERT_EQ(precise.escape.size(), 24u * 18u) << view[0];
        EXPECT_EQ(plain.escape, precise.escape) << view[0];
        EXPECT_NE(std::vector<int32_t>(precise.escape.begin(), precise.escape.begin() + 24),
                  std::vector<int32_t>(precise.escape.end() - 24, precise.escape.end()))
            << view[0];
    }
}

// A view without area is refused before any arithmetic divides by it.
TEST_F(RendererTest, DegenerateViewIsAUsageError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const Arguments& view : {Arguments{"--center", "0", "0", "0"}, Arguments{"--view", "-2", "2", "0.5", "0.5"}})
        EXPECT_EXIT(std::_Exit(Render(Arguments{"--size", "8x6"} + view).status), ::testing::ExitedWithCode(2), "")
            << view[0];
}

TEST_F(RendererTest, NumbersBeyondDoubleAreRejected)
{
    EXPECT_EQ(Render({"--bailout", "1e400"}).status, 2);
    EXPECT_EQ(Render({"--potvalue", "1e400"}).status, 2);
}

// The renderer gives the same frame whatever the processor count.
TEST_F(RendererTest, OneProcessorMachineRendersTheSameFrame)
{
    for (const Arguments& arguments : {Arguments{"--size", "24x18", "--iter", "500"} + DeepView,
                                       Arguments{"--size", "40x30", "--mode", "P", "--threads", "2"}}) {
        const std::string usual = RawOf(arguments);
        forcedProcessorCount = 1;
        const std::string single = RawOf(arguments);
        forcedProcessorCount = 0;
        EXPECT_TRUE(usual == single) << arguments[4];
    }
}

}  // namespace

TEST_F(RendererTest, AdaptiveIterationsGiveTheFrameOfTheIterMaxTheyReport)
{
    const Arguments seahorse{"--size", "48x36", "--view", "-0.7454", "-0.7446", "0.1130", "0.1136", "--iter", "50"};
    const Result adaptive = Render(seahorse + Arguments{"--adaptive-iter", "--raw", PathOf("adaptive.raw")});
    ASSERT_EQ(adaptive.status, 0) << adaptive.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(adaptive.err, match, std::regex("IterMax ([0-9]+)\n"))) << adaptive.err;
    EXPECT_GT(std::stoi(match[1]), 50);
    EXPECT_TRUE(ReadBytes(PathOf("adaptive.raw")) == RawOf(seahorse + Arguments{"--iter", match[1]}));

    ExpectOneLineError(Render(Arguments{"--size", "8x6", "--adaptive-iter", "--agreement"} + DeepView), "agreement");
    ExpectOneLineError(Render({"--size", "8x6", "--adaptive-iter", "--supersample", "2", "-o", PathOf("x.png")}),
                       "supersample");
}
