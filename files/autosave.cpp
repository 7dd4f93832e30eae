#include "files/autosave.h"

#include <unistd.h>

#include <QStandardPaths>
#include <cstdio>
#include <filesystem>

#include "engine/fractal_state.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"

namespace {

bool WritableFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error) && access(folder.c_str(), W_OK) == 0;
}

void Autosave(bool deep)
{
    // Deep frames rebuild the picture from the colour values; ordinary frames
    // write the picture as shown.
    auto writePicture = [deep](const std::string& path) {
        return deep ? ExportPicture(path) : SaveShownPicture(path);
    };
    std::error_code error;
    if (!State.ParamFileName.empty()) {
        const std::string picture = State.ParamFileName + ".jpg";
        if (!std::filesystem::exists(picture, error))
            writePicture(picture);
        return;
    }
    const std::string folder = BackupFolder();
    if (folder.empty())
        return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string path = folder + BackupName(local) + (deep ? ".fdz" : ".fra");
    if (!(deep ? SaveFdzFile(path) : SaveFraFile(path)))
        return;
    // Narrow pictures are kept whole; wide ones only as the thumbnail.
    if (State.PicWidth < 650)
        writePicture(path + ".jpg");
}

}  // namespace

std::string ProgramFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return "./";
    return program.parent_path().string() + "/";
}

std::string WritableProgramSubfolder(const std::string& name)
{
    const std::filesystem::path beside = ProgramFolder() + name;
    if (WritableFolder(beside))
        return beside.string() + "/";
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        return {};
    const std::filesystem::path fallback = data.toStdString() + "/" + name;
    return WritableFolder(fallback) ? fallback.string() + "/" : std::string();
}

std::string BackupFolder() { return WritableProgramSubfolder("backup"); }

std::string BackupName(const std::tm& localTime)
{
    char name[32];
    std::snprintf(name, sizeof name, "%02d%02d%04d%02d%02d%02d", localTime.tm_mon + 1, localTime.tm_mday,
                  localTime.tm_year + 1900, localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    return name;
}

void AutosaveExtended() { Autosave(false); }
void AutosaveDeep() { Autosave(true); }
