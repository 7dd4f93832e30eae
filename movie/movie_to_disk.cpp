#include "movie/movie_to_disk.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "files/autosave.h"
#include "files/image_parameter_file.h"
#include "files/picture_export.h"
#include "frame/frame_driver.h"
#include "movie/frame_files.h"
#include "movie/movie_frames.h"
#include "nav/zoom_navigation.h"
#include "platform/child_process.h"
#include "platform/platform.h"

std::string MoviePath;
MovieHooks InstalledMovieHooks;

namespace {

constexpr int32_t MaxTemplateLines = 151;
constexpr int32_t SecondsPerDay = 86400;
const std::string Caption = "QUORVATIX";
const std::string WaitTitle = "QUORVATIX- Please wait! Processing video...";

int32_t SecondsSinceMidnight()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

int32_t SecondsBetween(int32_t start, int32_t now)
{
    return start > now ? SecondsPerDay - start + now : now - start;
}

std::string DoubledBackslashes(const std::string& text)
{
    std::string doubled;
    for (char c : text) {
        doubled += c;
        if (c == '\\')
            doubled += '\\';
    }
    return doubled;
}

// The last line with text, without its surrounding blanks.
std::string LastNonBlankLine(const std::string& text)
{
    const char* blanks = " \t\r\n\v\f";
    const size_t last = text.find_last_not_of(blanks);
    if (last == std::string::npos)
        return {};
    const size_t lineStart = text.find_last_of('\n', last);
    const size_t first = text.find_first_not_of(blanks, lineStart == std::string::npos ? 0 : lineStart + 1);
    return text.substr(first, last - first + 1);
}

std::vector<std::string> ReadTemplateLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; static_cast<int32_t>(lines.size()) < MaxTemplateLines && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool WriteTemplateLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
        out << line << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

void EnableWindows()
{
    CurrentPlatform().SetInputWindowsEnabled(true);
}

// The folder's path as the user reads it, without the trailing "/".
std::string FolderText(const std::string& folder)
{
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// Computes and writes the frames; false when the movie was stopped (the
// windows are then enabled again and the user was told).
bool RecordFrames(const std::string& frameFolder)
{
    Platform& platform = CurrentPlatform();
    StartMovieFrames();
    platform.SetInputWindowsEnabled(false);
    const int32_t start = SecondsSinceMidnight();
    int32_t lastTitleTime = 0;
    for (int32_t n = 0;; ++n) {
        UnzoomToNextFrame();
        const FrameOutcome outcome = ComputeAndSaveFrame(frameFolder, n);
        if (outcome == FrameOutcome::Stopped) {
            SleepMilliseconds(10);
            platform.ShowMessage("Movie creation interrupted!\nYou can save current parameters.", Caption,
                                 MessageButtons::Ok);
            State.FrameAborted = 0;
            State.MovieMode = 0;
            Redraw();
            SleepMilliseconds(100);
            SaveFractalWithImageCommand();
            EnableWindows();
            platform.SetMainTitle(Caption);
            return false;
        }
        // A full disk would otherwise leave a movie with holes.
        if (outcome == FrameOutcome::NotWritten) {
            State.MovieMode = 0;
            platform.ShowMessage("Movie creation interrupted!\nA frame could not be written to\n" +
                                     FolderText(frameFolder),
                                 Caption, MessageButtons::Ok);
            EnableWindows();
            platform.SetMainTitle(Caption);
            return false;
        }

        const int32_t now = SecondsSinceMidnight();
        if (SecondsBetween(lastTitleTime, now) > 1) {
            platform.SetPictureTitle("Frame: " + NumberText(n, 10) + "  " + "Deep Limit: " +
                                     NumberText(State.DeepLimit, 10) + " Time: " + ElapsedText(start, now));
            lastTitleTime = now;
        }
        if (IsLastFrame(n))
            break;
    }
    const int32_t now = SecondsSinceMidnight();
    platform.SetMainTitle(Caption);
    ZoomHalfWidth = 0;
    platform.SetPictureTitle("QUORVATIX Time: " + ElapsedText(start, now));
    State.FrameAborted = 0;
    return true;
}

}  // namespace

MoviePlaces ProgramMoviePlaces()
{
    const std::string program = ProgramFolder();
    // Without a writable place the first frame fails and says where.
    const std::string frames = WritableProgramSubfolder("temp");
    const std::string jobs = WritableProgramSubfolder("vdub");
    return {frames.empty() ? program + "temp/" : frames, program + "Template.jobs",
            (jobs.empty() ? program + "vdub/" : jobs) + "VirtualDub.jobs", program + "vdub/vdub"};
}

std::string ElapsedText(int32_t start, int32_t now)
{
    const int32_t d = SecondsBetween(start, now);
    const int32_t h = d / 3600;
    const int32_t m = (d - 3600 * h) / 60;
    const int32_t s = d - 3600 * h - 60 * m;
    return NumberText(h, 10) + " h " + NumberText(m, 10) + " m " + NumberText(s, 10) + " s";
}

std::vector<std::string> EditJobTemplate(std::vector<std::string> lines, const std::string& firstFramePath,
                                         const std::string& aviPath, int32_t frameCount)
{
    const std::string quote = "\"";
    auto replace = [&lines](size_t index, const std::string& text) {
        if (index < lines.size())
            lines[index] = text;
    };
    replace(8, "// $input  " + quote + firstFramePath + quote);
    replace(9, "// $output " + quote + aviPath + quote);
    replace(16, DoubledBackslashes("VirtualDub.Open(" + quote + firstFramePath + quote + "," + quote + quote + ",0);"));
    replace(37, "VirtualDub.subset.AddRange(0," + std::to_string(frameCount) + ");");
    replace(41, DoubledBackslashes("VirtualDub.SaveAVI(" + quote + aviPath + quote + ");"));
    return lines;
}

std::string RunJobRunner(const std::string& runner, const std::string& jobFile)
{
    Platform& platform = CurrentPlatform();
    platform.SetMainTitle(WaitTitle);
    const ChildOutcome outcome =
        RunChildProcess(runner, {"/r", jobFile}, std::filesystem::path(runner).parent_path().string(), [&platform] {
            platform.SetMainTitle("QUORVATIX - Please wait! Processing video....");
            platform.PumpMessages();
        });
    if (!outcome.started)
        return "The job runner could not be started: " + runner;
    if (outcome.exitedNormally && outcome.exitCode == 0)
        return {};
    const std::string lastLine = LastNonBlankLine(outcome.standardError);
    if (!lastLine.empty())
        return lastLine;
    if (!outcome.exitedNormally)
        return "The job runner stopped unexpectedly";
    return "The job runner ended with status " + std::to_string(outcome.exitCode);
}

bool PrepareJobFile(const MoviePlaces& places, const std::string& aviPath)
{
    const std::string first = places.frameFolder + FirstFrameFile(places.frameFolder);
    const std::vector<std::string> lines = EditJobTemplate(ReadTemplateLines(places.jobTemplate), first, aviPath,
                                                           CountJpgFiles(places.frameFolder));
    // An installed template may be read-only; the job file is what counts.
    WriteTemplateLines(places.jobTemplate, lines);
    std::error_code error;
    std::filesystem::remove(places.jobFile, error);
    return WriteTemplateLines(places.jobFile, lines);
}

void MakeMovieToDisk(const MoviePlaces& places)
{
    Platform& platform = CurrentPlatform();
    if (!PictureFitsMovie()) {
        platform.ShowMessage(
            "Current image size is\ntoo large for video creation!\nPlease adjust picsize to maximum 1920 x 1080.",
            Caption + "\"", MessageButtons::Ok);
        return;
    }
    State.FrameAborted = 0;
    // No backups during the movie, and frames at full JPG quality.
    State.AutosaveParameter = 0;
    if (platform.ShowMessage("Do you want to make zoom movie by starting unzooming with current picture?", Caption,
                             MessageButtons::YesNo) != MessageAnswer::Yes)
        return;

    if (InstalledMovieHooks.closeToolWindows)
        InstalledMovieHooks.closeToolWindows();
    std::error_code error;
    std::filesystem::create_directories(places.frameFolder, error);
    for (const std::string& name : JpgNames(places.frameFolder))
        std::filesystem::remove(places.frameFolder + name, error);

    Results.Allocate(State.PicWidth, State.PicHeight);
    platform.ResizePictureArea(State.PicWidth, State.PicHeight);
    State.PictureWindowWidth = State.PicWidth;
    State.PictureWindowHeight = State.PicHeight;

    if (!RecordFrames(places.frameFolder))
        return;

    const bool haveTemplate = std::filesystem::is_regular_file(places.jobTemplate, error);
    std::string aviPath;
    if (haveTemplate) {
        FileDialogRequest request;
        request.filter = "Movies (*.avi)|*.AVI|";
        request.defaultExtension = "AVI";
        aviPath = platform.AskSaveFile(request);
        if (aviPath.empty()) {
            State.MovieMode = 0;
            platform.ShowMessage("Movie creation interrupted!", Caption, MessageButtons::Ok);
            EnableWindows();
            Redraw();
            return;
        }
    }

    platform.SetInputWindowsEnabled(false);
    platform.SetMainTitle(WaitTitle);
    State.MovieMode = 0;
    if (!haveTemplate) {
        platform.ShowMessage("Jpgfiles are ready in \n\n" + FolderText(places.frameFolder) + " folder", Caption,
                             MessageButtons::Ok);
        EnableWindows();
        platform.SetMainTitle(Caption);
        State.TitleFileName.clear();
        return;
    }
    const std::string runnerFolder = std::filesystem::path(places.runner).parent_path().string() + "/";
    if (!std::filesystem::is_regular_file(places.runner, error)) {
        platform.ShowMessage("Automatic movie creation is not available\nVirtualDub was not found in " +
                                 runnerFolder + " folder\nJpgfiles are ready.",
                             Caption, MessageButtons::Ok);
        EnableWindows();
        return;
    }

    const std::string failure = PrepareJobFile(places, aviPath)
                                    ? RunJobRunner(places.runner, places.jobFile)
                                    : "The job file could not be written: " + places.jobFile;
    if (!failure.empty()) {
        platform.ShowMessage("Video: " + aviPath + " could not be made\n" + failure, Caption, MessageButtons::Ok);
    } else {
        platform.ShowMessage("Video: " + aviPath + " is ready", Caption + "\"", MessageButtons::Ok);
        MoviePath = aviPath;
        platform.SetMainTitle(Caption);
        if (InstalledMovieHooks.playMovie && std::filesystem::is_regular_file(aviPath, error)) {
            platform.SetPictureTitle("Playing: " + aviPath);
            InstalledMovieHooks.playMovie(aviPath);
        }
    }
    EnableWindows();
}

void MakeMovieToDiskCommand()
{
    if (State.PicWidth > 1920) {
        State.PicWidth = 1920;
        State.PicHeight = 1080;
    }
    MakeMovieToDisk(ProgramMoviePlaces());
    State.MovieMode = 0;
    EnableWindows();
}
