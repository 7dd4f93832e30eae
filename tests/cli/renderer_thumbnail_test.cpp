#include <QImage>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/renderer.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "test_support.h"

namespace {

using Arguments = std::vector<std::string>;

std::string ReadAll(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class RendererThumbnailTest : public FreshStateTest {
protected:
    QTemporaryDir folder;
    std::string err;

    std::string PathOf(const std::string& name) const
    {
        return folder.filePath(QString::fromStdString(name)).toStdString();
    }
    int Render(const Arguments& arguments)
    {
        std::ostringstream o, e;
        const int status = RunRenderer(arguments, o, e);
        err = e.str();
        return status;
    }
    // The browser's "MAKE THUMBNAIL" on a running program: the thumbnail
    // size, the file loaded as parameters, one frame, the shown picture saved.
    void MakeThumbnailAsTheBrowser(const std::string& file, const std::string& thumbnail)
    {
        StartUpEngine(1280, 1024, static_cast<int32_t>(std::thread::hardware_concurrency()));
        State.FirstFrame = 0;
        UsePictureSize(176, 144);
        ASSERT_EQ(LoadParameterFile(file), 1);
        Redraw();
        ASSERT_EQ(State.FrameValid, 1);
        ASSERT_TRUE(SaveThumbnail(thumbnail));
    }
};

TEST_F(RendererThumbnailTest, ThumbnailOfALoadedFileIsTheBrowsersThumbnail)
{
    const Arguments deepView{"--view", "-0.97e-20", "1.03e-20", "0.999999999999999999993",
                             "1.000000000000000000008", "--iter", "60", "--offset", "9"};
    // An offset and a mode that colours inside pixels: both show inside
    // pixels in colour on screen, which is what a thumbnail keeps.
    const std::vector<std::pair<std::string, Arguments>> files{
        {"offset.fra", {"--iter", "200", "--offset", "5000"}},
        {"fraction.fra", {"--julia", "-0.123", "0.745", "--mode", "2", "--iter", "150"}},
        {"picture.fpi", {"--size", "40x30", "--mode", "B", "--offset", "77"}},
        {"deep.fdz", deepView},
    };
    for (const auto& [name, options] : files) {
        const std::string file = PathOf(name);
        Arguments save = options;
        save.insert(save.end(), {"--save", file});
        ASSERT_EQ(Render(save), 0) << err;
        std::filesystem::remove(file + ".jpg");

        ASSERT_EQ(Render({file, "--size", "176x144", "--thumbnail", PathOf("renderer.jpg"), "-o",
                          PathOf("export.jpg")}),
                  0)
            << err;
        const std::string browser = PathOf("browser-" + name + ".jpg");
        MakeThumbnailAsTheBrowser(file, browser);

        const std::string thumbnail = ReadAll(PathOf("renderer.jpg"));
        EXPECT_EQ(QImage(PathOf("renderer.jpg").c_str()).size(), QSize(176, 144)) << name;
        EXPECT_TRUE(thumbnail == ReadAll(browser)) << name;
        EXPECT_FALSE(thumbnail == ReadAll(PathOf("export.jpg"))) << name;
    }

    // A file with picture gets the thumbnail of its parameters, not of its
    // stored size: the same as its twin without picture.
    Arguments save = deepView;
    save.insert(save.end(), {"--size", "30x20", "--save", PathOf("deep.fpz")});
    ASSERT_EQ(Render(save), 0) << err;
    ASSERT_EQ(Render({PathOf("deep.fpz"), "--size", "176x144", "--thumbnail", PathOf("renderer.jpg")}), 0)
        << err;
    EXPECT_TRUE(ReadAll(PathOf("renderer.jpg")) == ReadAll(PathOf("browser-deep.fdz.jpg")));
}

TEST_F(RendererThumbnailTest, ThumbnailOfAnyPictureSizeIsReducedAndABadNameFails)
{
    ASSERT_EQ(Render({"--size", "64x40", "--iter", "50", "--thumbnail", PathOf("small.jpg")}), 0) << err;
    EXPECT_EQ(QImage(PathOf("small.jpg").c_str()).size(), QSize(176, 144));

    EXPECT_EQ(Render({"--size", "8x6", "--thumbnail", PathOf("small.txt")}), 1);
    EXPECT_NE(err.find("cannot write thumbnail"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(PathOf("small.txt")));
}

}  // namespace

namespace {

// Edges that 18 digits do not carry: the frame uses them as loaded, as the
// desktop's first frame after loading does.
TEST_F(RendererThumbnailTest, FrameOfALoadedFileUsesItsExtendedViewAsStored)
{
    const std::string file = PathOf("digits.fra");
    ASSERT_EQ(Render({"--view", "-0.75012345678901234567891", "-0.74000000000000000001234", "0.10123456789012345678912",
                      "0.10876543210987654321098", "--save", file}),
              0)
        << err;
    const long double stored[] = {State.Realmin, State.Realmax, State.Imagmin, State.Imagmax};
    ASSERT_EQ(Render({file, "--size", "32x24", "--iter", "50", "-o", PathOf("digits.png")}), 0) << err;
    EXPECT_EQ(State.Realmin, stored[0]);
    EXPECT_EQ(State.Realmax, stored[1]);
    EXPECT_EQ(State.Imagmin, stored[2]);
    EXPECT_EQ(State.Imagmax, stored[3]);
}

}  // namespace
