#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "nav/fractal_browser.h"
#include "frame/startup.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const fs::path SeedFolder = fs::path(__FILE__).parent_path().parent_path() / "data";
const std::string NotAFile = "Not a quorvatix-file!";

class FractalBrowserTest : public FreshStateTest {
protected:
    QTemporaryDir folder;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        StartUpEngine(1280, 1024, 2);
        Browser = FractalBrowserState();
        UsePictureSize(320, 240);
        State.PictureWindowWidth = 320;
        State.PictureWindowHeight = 240;
        ASSERT_TRUE(folder.isValid());
    }

    std::string PathOf(const std::string& name) const
    {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }

    // A copy of a seed file under another name, so each test starts without thumbnails.
    std::string Seed(const std::string& seed, const std::string& name)
    {
        fs::copy_file(SeedFolder / seed, PathOf(name));
        return PathOf(name);
    }

    std::string Junk(const std::string& name)
    {
        std::ofstream(PathOf(name), std::ios::binary) << "not a fractal at all, just some words in a file";
        return PathOf(name);
    }

    void Touch(const std::string& name) { std::ofstream(PathOf(name)) << ""; }

    static bool Exists(const std::string& path) { return fs::exists(path); }
};

TEST(FractalBrowserPattern, ThreeCharacterExtensionsBeginningWithF)
{
    for (const char* name : {"x.fra", "x.fdz", "x.fox", "x.FRA", "x.Fpz", ".fra", "a.b.fpi", "x.f\xC3\xA9z"})
        EXPECT_TRUE(MatchesParameterPattern(name)) << name;
    for (const char* name : {"x.fr", "x.frax", "x.f", "x.gra", "xfra", "x.fra.jpg", "fra", "x.f\xC3\xA9", ""})
        EXPECT_FALSE(MatchesParameterPattern(name)) << name;
}

TEST_F(FractalBrowserTest, ListsAThousandMatchingFilesAtMostSortedByPath)
{
    for (const char* name : {"b.fra", "A.FDZ", "x.fox", "x.fr", "x.frax", "notes.txt", "b.fra.jpg"})
        Touch(name);
    fs::create_directory(PathOf("folder.fra"));
    std::vector<std::string> paths;
    ASSERT_TRUE(ListParameterFiles(folder.path().toStdString(), paths));
    EXPECT_EQ(paths, std::vector<std::string>({PathOf("A.FDZ"), PathOf("b.fra"), PathOf("x.fox")}));

    for (int k = 0; k < 1003; ++k)
        Touch("f" + std::to_string(k) + ".fra");
    ASSERT_TRUE(ListParameterFiles(folder.path().toStdString(), paths));
    EXPECT_EQ(paths.size(), MaxBrowserFiles);
    EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end()));

    EXPECT_FALSE(ListParameterFiles(PathOf("missing"), paths));
    EXPECT_FALSE(ListParameterFiles(PathOf("b.fra"), paths));
}

TEST_F(FractalBrowserTest, PlainFileWithoutThumbnailGetsOneOnceAtThumbnailSize)
{
    const std::string path = Seed("mandelbrot.fra", "m.fra");
    const BrowserSelection made = ChooseBrowserFile(path);
    EXPECT_EQ(made.thumbnailPath, "");
    EXPECT_EQ(made.makeThumbnailEnabled, false);
    EXPECT_EQ(made.description, "FRACTAL: Mandelbrot\n\nPrecision: 80");
    EXPECT_EQ(State.TitleFileName, path);
    EXPECT_EQ(QImage(QString::fromStdString(path + ".jpg")).size(), QSize(176, 144));
    EXPECT_EQ(State.PicWidth, 176);
    ASSERT_FALSE(platform.pictureMoves.empty());
    EXPECT_EQ(platform.pictureMoves.back(), std::make_pair(40, 400));

    // Chosen again it only shows the thumbnail.
    const int framesBefore = platform.framesShown;
    const BrowserSelection shown = ChooseBrowserFile(path);
    EXPECT_EQ(shown.thumbnailPath, path + ".jpg");
    EXPECT_EQ(shown.description, "FRACTAL: Mandelbrot\n\nPrecision: 80");
    EXPECT_EQ(platform.framesShown, framesBefore);

    EXPECT_EQ(ChooseBrowserFile(Seed("julia.fra", "j.fra")).description, "FRACTAL: Julia\n\nPrecision: 80");
}

TEST_F(FractalBrowserTest, StoppedThumbnailFrameLeavesNoThumbnail)
{
    const std::string path = Seed("mandelbrot.fra", "m.fra");
    platform.escapePresses = 1;
    const BrowserSelection chosen = ChooseBrowserFile(path);
    EXPECT_TRUE(chosen.accepted);
    EXPECT_EQ(State.FrameAborted, 1);
    EXPECT_FALSE(Exists(path + ".jpg"));

    platform.escapePresses = 1;
    EXPECT_EQ(MakeBrowserThumbnail(), ThumbnailResult::NotWritten);
    EXPECT_FALSE(Exists(path + ".jpg"));
    EXPECT_EQ(MakeBrowserThumbnail(), ThumbnailResult::Written);
    EXPECT_TRUE(Exists(path + ".jpg"));
}

TEST_F(FractalBrowserTest, DeepFileIsOnlyDescribedAndOtherExtensionsOnlyChosen)
{
    const int framesBefore = platform.framesShown;
    const std::string deep = Seed("deep.fdz", "d.fdz");
    const BrowserSelection chosen = ChooseBrowserFile(deep);
    EXPECT_EQ(chosen.makeThumbnailEnabled, true);
    EXPECT_EQ(chosen.description, "FRACTAL: Mandelbrot\n\nPrecision: 96");
    EXPECT_EQ(State.TitleFileName, deep);
    EXPECT_EQ(State.DeepZoom, 0);  // not loaded
    EXPECT_FALSE(Exists(deep + ".jpg"));
    Touch("d.fdz.jpg");
    EXPECT_EQ(ChooseBrowserFile(deep).makeThumbnailEnabled, false);

    const std::string other = Seed("julia.fra", "x.fox");
    const BrowserSelection otherChosen = ChooseBrowserFile(other);
    EXPECT_TRUE(otherChosen.accepted);
    EXPECT_FALSE(otherChosen.description || otherChosen.makeThumbnailEnabled);
    EXPECT_EQ(State.TitleFileName, other);
    EXPECT_EQ(State.FractalFlags & 1, 1);  // not loaded

    EXPECT_EQ(platform.framesShown, framesBefore);
    EXPECT_EQ(State.PicWidth, 320);
    EXPECT_FALSE(Exists(other + ".jpg"));
}

TEST_F(FractalBrowserTest, PictureFilesShowTheirPictureAndMakeAThumbnailOnRequest)
{
    const std::string fpz = Seed("small.fpz", "s.fpz");
    const std::optional<std::string> deepDescription = ChooseBrowserFile(fpz).description;
    EXPECT_EQ(deepDescription, "FRACTAL: Mandelbrot\n\nPrecision: " + std::to_string(State.PrecisionBits));
    EXPECT_EQ(State.DeepZoom, 1);

    const std::string fpi = Seed("small.fpi", "s.fpi");
    const BrowserSelection chosen = ChooseBrowserFile(fpi);
    EXPECT_EQ(chosen.makeThumbnailEnabled, true);
    EXPECT_EQ(chosen.description, "FRACTAL: Mandelbrot\n\nPrecision: 80");
    EXPECT_EQ(State.PicWidth, 8);
    EXPECT_EQ(State.PicHeight, 6);
    EXPECT_EQ(State.PictureLocked, 1);
    EXPECT_EQ(State.FrameValid, 1);
    EXPECT_FALSE(Exists(fpi + ".jpg") || Exists(fpz + ".jpg"));

    EXPECT_EQ(MakeBrowserThumbnail(), ThumbnailResult::Written);
    EXPECT_EQ(QImage(QString::fromStdString(fpi + ".jpg")).size(), QSize(176, 144));
    const BrowserSelection again = ChooseBrowserFile(fpi);
    EXPECT_EQ(again.thumbnailPath, fpi + ".jpg");
    EXPECT_EQ(again.makeThumbnailEnabled, false);
}

TEST_F(FractalBrowserTest, DamagedFileIsRefusedAndChangesNothing)
{
    State.TitleFileName = "before";
    Touch("thumbnailed.fra.jpg");
    for (const char* name : {"bad.fra", "bad.fdz", "bad.fpi", "bad.fpz", "thumbnailed.fra"}) {
        const std::string path = Junk(name);
        platform.messages.clear();
        const BrowserSelection chosen = ChooseBrowserFile(path);
        EXPECT_FALSE(chosen.accepted) << name;
        ASSERT_EQ(platform.messages.size(), 1u) << name;
        EXPECT_EQ(platform.messages[0].text, NotAFile);
        EXPECT_EQ(State.TitleFileName, "before");
        EXPECT_EQ(State.PicWidth, 320);
        EXPECT_EQ(Browser.SizeBeforeThumbnailWidth, 0);
        EXPECT_TRUE(platform.pictureMoves.empty());
    }
    EXPECT_FALSE(Exists(PathOf("bad.fra.jpg")));
    // The next file is chosen as usual.
    EXPECT_TRUE(ChooseBrowserFile(Seed("deep.fdz", "d.fdz")).accepted);
}

TEST_F(FractalBrowserTest, RedrawReturnsToTheSizeBeforeTheThumbnails)
{
    const std::string julia = Seed("julia.fra", "j.fra");
    ChooseBrowserFile(Seed("mandelbrot.fra", "m.fra"));
    ChooseBrowserFile(julia);
    ASSERT_EQ(State.PicWidth, 176);
    PressBrowserRedraw();
    EXPECT_EQ(State.PicWidth, 320);
    EXPECT_EQ(State.PicHeight, 240);
    EXPECT_EQ(Results.IterBuffer.size(), 322u * 242u);
    EXPECT_EQ(platform.pictureMoves.back(), std::make_pair(20, 0));
    // The chosen file is loaded again for the repaint to compute.
    EXPECT_EQ(State.TitleFileName, julia);
    EXPECT_EQ(State.FrameValid, 0);
    EXPECT_EQ(State.FractalFlags & 3, 2);

    // Without a thumbnail in between the size stays.
    ChooseBrowserFile(Seed("deep.fdz", "d.fdz"));
    PressBrowserRedraw();
    EXPECT_EQ(State.PicWidth, 320);
    EXPECT_EQ(State.DeepZoom, 1);
}

TEST_F(FractalBrowserTest, RedrawAfterAThumbnailFromThumbnailSizeGivesTheDefaultSize)
{
    UsePictureSize(176, 144);
    ChooseBrowserFile(Seed("mandelbrot.fra", "m.fra"));
    PressBrowserRedraw();
    EXPECT_EQ(State.PicWidth, 640);
    EXPECT_EQ(State.PicHeight, 480);
}

}  // namespace
