#include "files/image_parameter_file.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "color/display.h"
#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "files/byte_buffer.h"
#include "files/image_parameter_record.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"
#include "platform/platform.h"
#include "platform/whole_file.h"

namespace {

void WritePictureBlock(ByteWriter& out)
{
    const size_t count = StoredPictureElements(State.PicWidth, State.PicHeight);
    out.Int32(State.PicWidth);
    out.Int32(State.PicHeight);
    // The buffer always holds (W + 2) x (H + 2) elements; all are stored.
    std::vector<int32_t> values(count, 0);
    std::copy_n(Results.IterBuffer.begin(), std::min(count, Results.IterBuffer.size()), values.begin());
    out.Raw(values.data(), count * sizeof(int32_t));
}

// The stored picture replaces the buffers; A and B are gone with it.
void InstallPicture(StoredPicture&& picture)
{
    const size_t count = picture.values.size();
    State.PicWidth = picture.width;
    State.PicHeight = picture.height;
    Results.IterBuffer.assign(picture.values.begin(), picture.values.end());
    Results.ZReBuffer.assign(count, 0.0f);
    Results.ZImBuffer.assign(count, 0.0f);
    CurrentPlatform().ResizePictureArea(picture.width, picture.height);
    State.PictureWindowWidth = picture.width;
    State.PictureWindowHeight = picture.height;
}

void ApplyFpi(ImageParameterRecord&& file, const std::string& path)
{
    const ParameterRecord& record = file.parameters;
    ApplyStoredFields(record);
    InstallPicture(std::move(file.picture));
    State.AutoPotValue = 0;
    State.ParamFileName = path;
    LoadTextRecordView(record);
    if (State.ProcessorCount > 1)
        State.MultiThreaded = 1;
    SetPaletteSwitchesFromBits(State.ColorOptions);
    if (State.PotValue == 0)
        State.PotValue = 0.0001;
    GeneratePaletteRegular();
    State.JuliaViewSet = 1;
    if (State.Bailout < 3)
        State.Bailout = 3;
    State.TitleFileName = path;
    CurrentPlatform().SetMainTitle("QUORVATIX - " + path);
    CurrentPlatform().RefreshToolWindows();
}

void ShowSaveFailure(const std::string& text)
{
    CurrentPlatform().ShowMessage(text, "QUORVATIX", MessageButtons::Ok);
}

}  // namespace

bool SaveFpiFile(const std::string& path)
{
    SyncViewTexts();
    RefreshPaletteSwitchBits();
    ByteWriter out;
    out.Byte(TextLayoutTag);
    out.Int32(State.FractalFlags);
    out.Int32(State.DeepZoom);
    out.Int32(State.ColorOptions);
    out.Float64(State.PotValue);
    if (!WriteViewTextFields(out))
        return false;
    out.Int32(State.IterMax);
    out.Float64(State.Bailout);
    for (float value : State.PaletteGen)
        out.Float32(value);
    out.Int32(State.PaletteOffset);
    out.Int32(State.PrecisionBits);
    WritePictureBlock(out);
    return WriteWithThumbnail(path, out.bytes());
}

bool SaveFpzFile(const std::string& path)
{
    ByteWriter out;
    WriteDeepFixedFields(out);
    WritePictureBlock(out);
    return WriteBigFloatRecords(out) && WriteWithThumbnail(path, out.bytes());
}

bool SaveImageParameterFile(const std::string& path)
{
    return State.DeepZoom == 1 ? SaveFpzFile(path) : SaveFpiFile(path);
}

int LoadImageParameterFile(const std::string& path)
{
    if (path.empty())
        return 0;
    std::vector<uint8_t> bytes;
    ImageParameterRecord file;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > MaxImageParameterFileBytes || !ReadWholeFile(path, bytes) ||
        !ReadImageParameterRecord(bytes, file)) {
        ShowNotQuorvatixFile();
        return 0;
    }
    State.ElapsedSeconds = 0;
    if (file.parameters.tag == DeepLayoutTag) {
        InstallPicture(std::move(file.picture));
        ApplyDeepRecord(file.parameters, path, false);
    } else {
        ApplyFpi(std::move(file), path);
    }
    // The stored picture is the file's, shown without a frame: the next
    // frame is of a new view and adapts.
    State.LoadedIterMaxHeld = 0;
    return 1;
}

void SaveFractalWithImageCommand()
{
    const bool deep = State.DeepZoom == 1;
    FileDialogRequest request;
    request.title = "SAVE PARAMETERS & IMAGE";
    request.filter = deep ? "Fractal Files (*.fpz)|*.FPZ|" : "Fractal Files (*.fpi)|*.FPI|";
    request.defaultExtension = deep ? "FPZ" : "FPI";
    const std::string path = CurrentPlatform().AskSaveFile(request);
    if (path.empty())
        return;
    if (!SaveImageParameterFile(path)) {
        ByteWriter probe;
        if (!deep && !WriteViewTextFields(probe))
            ShowSaveFailure("The view needs more digits than a .fpi file holds.\nPlease save it with deep zoom "
                            "on, as a .fpz file.");
        else
            ShowSaveFailure("The file\n" + path + "\ncould not be saved.");
        return;
    }
    State.ParamFileName = path;
    State.TitleFileName = path;
    CurrentPlatform().SetMainTitle("QUORVATIX - " + path);
}

void LoadFractalWithImageCommand()
{
    FileDialogRequest request;
    request.title = "LOAD PARAMETER & IMAGE";
    request.filter = "Fractal Image-Parameter Files (*.fpz;*.fpi)|*.FPZ;*.FPI|";
    request.defaultExtension = "FPZ";
    const std::string path = CurrentPlatform().AskOpenFile(request);
    if (LoadImageParameterFile(path) == 1)
        State.TitleFileName = path;
    // Also after a cancel: the picture shown stays as it is.
    DisplayPicture();
    State.PictureLocked = 1;
    State.FrameValid = 1;
    CurrentPlatform().RefreshToolWindows();
}
