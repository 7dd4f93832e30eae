#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "color/display.h"
#include "files/picture_export.h"
#include "test_support.h"

namespace {

uint32_t Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class PictureExportTest : public FreshStateTest {
protected:
    QTemporaryDir folder;

    void SetUp() override
    {
        FreshStateTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        FrameImage = FrameImageBuffer{};
        Palette.fill(0);
    }

    std::string PathOf(const char* name) const { return folder.filePath(name).toStdString(); }
    bool Exists(const char* name) const { return std::filesystem::exists(PathOf(name)); }
    QStringList FilesInFolder() const { return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden); }
    std::string FormatOf(const char* name) const
    {
        return QImageReader(QString::fromStdString(PathOf(name))).format().toStdString();
    }

    // Every pixel a different direct colour: hard to compress.
    static void UseNoisePicture(int32_t width, int32_t height)
    {
        UsePictureSize(width, height);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
            Results.IterBuffer[i] = -static_cast<int32_t>((i * 2654435761u) & 0xFFFFFFu);
    }

    static void UseShownPicture(int32_t width, int32_t height, uint32_t left, uint32_t right)
    {
        FrameImage.width = width;
        FrameImage.height = height;
        FrameImage.pixels.assign(static_cast<size_t>(width) * height, left);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = width / 2; x < width; ++x)
                FrameImage.pixels[static_cast<size_t>(y) * width + x] = right;
    }
};

TEST_F(PictureExportTest, ExportMakesZeroBlackAndShiftsPaletteIndices)
{
    UsePictureSize(4, 3);
    State.PaletteOffset = 10;
    Palette[5] = 0x445566;
    Palette[10] = 0x112233;  // what the screen shows for 0
    Palette[15] = 0xABCDEF;
    Results.IterBuffer[1] = 5;
    Results.IterBuffer[2] = -0x123456;
    Results.IterBuffer[2 * 4 + 3] = 5;

    ASSERT_TRUE(ExportPicture(PathOf("rule.bmp")));
    const QImage back(folder.filePath("rule.bmp"));
    ASSERT_EQ(back.size(), QSize(4, 3));
    EXPECT_EQ(Rgb(back, 0, 0), 0x000000u);
    EXPECT_EQ(Rgb(back, 1, 0), 0xABCDEFu);
    EXPECT_EQ(Rgb(back, 2, 0), 0x123456u);
    EXPECT_EQ(Rgb(back, 3, 0), 0x000000u);
    EXPECT_EQ(Rgb(back, 3, 2), 0xABCDEFu);  // buffer row 2 is the bottom row

    // The picture window is redrawn from the rebuilt picture.
    EXPECT_EQ(platform.framesShown, 1);
    ASSERT_EQ(FrameImage.pixels.size(), 12u);
    EXPECT_EQ(FrameImage.pixels[0], 0x000000u);
}

TEST_F(PictureExportTest, ExtensionDecidesTheTypeWhateverTheDialogPreset)
{
    UsePictureSize(8, 6);
    State.PicFormatIndex = 2;  // TIF preset
    platform.answers = {PathOf("x.png")};
    SavePictureCommand();
    EXPECT_EQ(FormatOf("x.png"), "png");

    EXPECT_TRUE(ExportPicture(PathOf("x.Jpeg")));
    EXPECT_EQ(FormatOf("x.Jpeg"), "jpeg");
    EXPECT_TRUE(ExportPicture(PathOf("x.TIF")));
    EXPECT_EQ(FormatOf("x.TIF"), "tiff");
    EXPECT_TRUE(ExportPicture(PathOf("x.ico")));  // reached through the image/x-icon alias
    EXPECT_EQ(FormatOf("x.ico"), "ico");
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(PictureExportTest, ExtensionsWithoutTypeWriteNothingSilently)
{
    UsePictureSize(8, 6);
    ASSERT_TRUE(QDir(folder.path()).mkdir("dir.v2"));
    for (const char* name : {"x.dib", "x.DIB", "noext", "x.xyz", "x.", "dir.v2/name"}) {
        SCOPED_TRACE(name);
        platform.answers = {PathOf(name)};
        SavePictureCommand();
        EXPECT_FALSE(ExportPicture(PathOf(name)));
        EXPECT_FALSE(Exists(name));
    }
    EXPECT_TRUE(FilesInFolder().isEmpty());
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(SaveImageByExtension("", QImage(4, 4, QImage::Format_RGB32)), -1);
}

TEST_F(PictureExportTest, SaveCommandReportsFailuresButNotCancel)
{
    UsePictureSize(8, 6);
    SavePictureCommand();  // cancelled
    EXPECT_EQ(platform.framesShown, 0);
    EXPECT_TRUE(platform.messages.empty());

    EXPECT_EQ(SaveImageByExtension(PathOf("x.emf"), QImage(4, 4, QImage::Format_RGB32)), SaveImageNoEncoder);

    platform.answers = {PathOf("x.wmf"), PathOf("missing/x.png")};
    SavePictureCommand();
    SavePictureCommand();
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1].text, "The picture could not be saved:\n" + PathOf("missing/x.png"));
    EXPECT_EQ(platform.messages[1].caption, "QUORVATIX");
    EXPECT_TRUE(FilesInFolder().isEmpty());
}

TEST_F(PictureExportTest, FailedSaveKeepsTheExistingFile)
{
    std::ofstream(PathOf("keep.jpg")) << "old picture";
    UseNoisePicture(65501, 1);  // one pixel wider than the JPEG writer allows
    EXPECT_FALSE(ExportPicture(PathOf("keep.jpg")));
    EXPECT_TRUE(ReadAll(PathOf("keep.jpg")) == "old picture");
    EXPECT_EQ(FilesInFolder(), QStringList({"keep.jpg"}));  // no temporary file left behind
}

TEST_F(PictureExportTest, AutosaveLowersJpegQualityOnly)
{
    UseNoisePicture(64, 64);
    ASSERT_TRUE(ExportPicture(PathOf("full.jpg")));
    State.AutosaveParameter = 1;
    ASSERT_TRUE(ExportPicture(PathOf("auto.jpg")));
    EXPECT_LT(std::filesystem::file_size(PathOf("auto.jpg")), std::filesystem::file_size(PathOf("full.jpg")));

    // PNG stays compressed either way.
    UsePictureSize(64, 64);
    for (int autosave : {0, 1}) {
        State.AutosaveParameter = autosave;
        ASSERT_TRUE(ExportPicture(PathOf("flat.png")));
        EXPECT_LT(std::filesystem::file_size(PathOf("flat.png")), 1000u);
    }
}

TEST_F(PictureExportTest, ShownPictureIsWrittenAsItIsOnceItExists)
{
    EXPECT_FALSE(SaveShownPicture(PathOf("shown.png")));
    EXPECT_FALSE(SaveThumbnail(PathOf("thumb.png")));
    EXPECT_TRUE(FilesInFolder().isEmpty());

    UsePictureSize(4, 2);
    Results.IterBuffer.assign(Results.IterBuffer.size(), -0x777777);  // must not be used
    UseShownPicture(4, 2, 0x000000, 0xFEDCBA);
    ASSERT_TRUE(SaveShownPicture(PathOf("shown.png")));
    const QImage back(folder.filePath("shown.png"));
    ASSERT_EQ(back.size(), QSize(4, 2));
    EXPECT_EQ(Rgb(back, 1, 1), 0x000000u);
    EXPECT_EQ(Rgb(back, 2, 1), 0xFEDCBAu);
    EXPECT_EQ(platform.framesShown, 0);
}

TEST_F(PictureExportTest, ThumbnailIs176By144WhateverTheProportions)
{
    UseShownPicture(640, 480, 0xFF0000, 0x0000FF);
    ASSERT_TRUE(SaveThumbnail(PathOf("thumb.png")));
    const QImage back(folder.filePath("thumb.png"));
    ASSERT_EQ(back.size(), QSize(176, 144));
    EXPECT_EQ(Rgb(back, 10, 72), 0xFF0000u);
    EXPECT_EQ(Rgb(back, 165, 72), 0x0000FFu);
}

TEST_F(PictureExportTest, FindEncoderMatchesExactlyOrThroughAliases)
{
    const int writers = static_cast<int>(QImageWriter::supportedMimeTypes().size());
    std::string format;
    EXPECT_GE(FindEncoder("image/png", format), 1);
    EXPECT_EQ(format, "png");
    EXPECT_GE(FindEncoder("image/x-icon", format), 1);
    EXPECT_EQ(format, "ico");
    EXPECT_EQ(FindEncoder("IMAGE/PNG", format), writers);
    EXPECT_TRUE(format.empty());
}

}  // namespace
