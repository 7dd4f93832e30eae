#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "color/display.h"
#include "files/autosave.h"
#include "files/parameter_file.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::pair<int, int> PictureSize(const std::string& path)
{
    const QImage image(QString::fromStdString(path));
    return {image.width(), image.height()};
}

// The backup folder is the real one beside the test binary: a test looks at
// and removes only the files it added.
class AutosaveTest : public FreshStateTest {
protected:
    bool folderExisted = fs::exists(ProgramFolder() + "backup");
    std::string backup = BackupFolder();
    std::set<std::string> before = Entries();

    void TearDown() override
    {
        RemoveAdded();
        std::error_code error;
        if (!folderExisted)
            fs::remove(ProgramFolder() + "backup", error);  // only if empty
        FrameImage = FrameImageBuffer{};
        FreshStateTest::TearDown();
    }
    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(backup, error))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::vector<std::string> Added() const
    {
        std::vector<std::string> added;
        std::ranges::set_difference(Entries(), before, std::back_inserter(added));
        return added;
    }
    void RemoveAdded()
    {
        for (const std::string& name : Added())
            fs::remove(backup + name);
    }
    static void ShowPicture(int32_t width, int32_t height)
    {
        UsePictureSize(width, height);
        for (size_t i = 0; i < Results.IterBuffer.size(); ++i)
            Results.IterBuffer[i] = static_cast<int32_t>(i * 1013);
        DisplayPicture();
    }
};

TEST(BackupNameTest, MonthDayYearHourMinuteSecond)
{
    std::tm time{};
    time.tm_year = 2026 - 1900, time.tm_mon = 11, time.tm_mday = 7;
    time.tm_hour = 2, time.tm_min = 58, time.tm_sec = 5;
    EXPECT_EQ(BackupName(time), "12072026025805");
}

// One test for both cases: the backup folder beside the binary is shared by
// every process that runs this binary, so its cases must not run side by side.
TEST_F(AutosaveTest, UnsavedViewIsBackedUpAndLoadedViewGetsOnlyItsMissingPicture)
{
    ASSERT_FALSE(backup.empty());
    struct Case {
        bool deep;
        int32_t width, height;
        std::pair<int, int> picture;
    };
    for (const Case& c : {Case{false, 40, 30, {40, 30}}, Case{false, 660, 10, {176, 144}}, Case{true, 24, 18, {24, 18}}}) {
        SCOPED_TRACE(c.width);
        ShowPicture(c.width, c.height);
        c.deep ? AutosaveDeep() : AutosaveExtended();
        const std::vector<std::string> added = Added();
        ASSERT_EQ(added.size(), 2u);
        EXPECT_TRUE(std::regex_match(added[0], std::regex(c.deep ? "[0-9]{14}\\.fdz" : "[0-9]{14}\\.fra"))) << added[0];
        EXPECT_EQ(added[1], added[0] + ".jpg");
        EXPECT_EQ(ReadAll(backup + added[0])[0], c.deep ? '7' : '+');
        EXPECT_EQ(PictureSize(backup + added[1]), c.picture);
        RemoveAdded();
    }

    QTemporaryDir folder;
    const std::string spiral = folder.filePath("spiral.fra").toStdString();
    const std::vector<uint8_t> parameters = FraFileBytes();
    std::ofstream(spiral, std::ios::binary) << std::string(parameters.begin(), parameters.end());
    State.ParamFileName = spiral;
    ShowPicture(40, 30);
    AutosaveExtended();
    EXPECT_EQ(PictureSize(spiral + ".jpg"), std::make_pair(40, 30));
    const std::string written = ReadAll(spiral + ".jpg");

    ShowPicture(20, 10);
    AutosaveExtended();
    EXPECT_EQ(ReadAll(spiral + ".jpg"), written);
    EXPECT_TRUE(Added().empty());
}

}  // namespace
