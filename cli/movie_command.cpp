#include "cli/movie_command.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/fractal_state.h"
#include "files/complete_jpg.h"
#include "movie/frame_files.h"
#include "movie/movie_frames.h"
#include "movie/movie_range.h"
#include "movie/movie_to_disk.h"
#include "nav/zoom_navigation.h"

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

int Fail(std::ostream& err, int status, const std::string& message)
{
    err << "quorvatix-render: " << message << "\n";
    return status;
}

std::string WithTrailingSlash(const std::string& folder)
{
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::optional<int32_t> FrameNumber(const std::string& text)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < 0 || value > MaxFrameNumber)
        return std::nullopt;
    return value;
}

std::optional<FrameRange> ParseFrameRange(const std::string& text)
{
    const size_t dash = text.find('-');
    if (dash == std::string::npos)
        return std::nullopt;
    const std::optional<int32_t> first = FrameNumber(text.substr(0, dash));
    const std::optional<int32_t> last = FrameNumber(text.substr(dash + 1));
    if (!first || !last)
        return std::nullopt;
    return FrameRange{*first, *last};
}

std::string RangeText(int32_t first, int32_t last)
{
    return std::to_string(first) + "-" + std::to_string(last);
}

// The state the desktop's movie starts from: the start view with its picture
// shown, in a program that has unzoomed nothing yet, then movie mode.
void StartFromView(const std::function<void()>& startView)
{
    startView();
    ZoomHalfWidth = 0;
    ZoomHalfHeight = 0;
    ReplayMovieFrame();
    StartMovieFrames();
}

// Why the folder's frames do not make one movie; empty when they do: every
// .jpg is a numbered frame, the numbers follow each other without a gap,
// and every frame is complete and of the first one's size.
std::string FrameFolderProblem(const std::string& folder)
{
    std::vector<int32_t> numbers;
    for (const std::string& name : JpgNames(folder)) {
        const std::optional<int32_t> number = FrameNumber(name.substr(0, name.size() - 4));
        if (!number || FrameFileName(*number, true) != name)
            return name + " in " + folder + " is not a movie frame";
        numbers.push_back(*number);
    }
    if (numbers.empty())
        return "no frames in " + folder;
    std::sort(numbers.begin(), numbers.end());
    std::optional<JpgSize> frameSize;
    for (size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0 && numbers[k] != numbers[k - 1] + 1)
            return "frame " + FrameFileName(numbers[k - 1] + 1, true) + " is missing in " + folder;
        const std::string name = FrameFileName(numbers[k], true);
        const std::optional<JpgSize> size = CompleteJpgSize(folder + name);
        if (!size)
            return "frame " + name + " in " + folder + " is not complete";
        if (!frameSize)
            frameSize = size;
        if (size->width != frameSize->width || size->height != frameSize->height)
            return "frame " + name + " in " + folder + " differs in size from the others";
    }
    return {};
}

bool EndsWithAvi(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".avi";
}

}  // namespace

int RunMovieCommand(const MovieOptions& movie, const std::function<void()>& startView, std::ostream& out,
                    std::ostream& err)
{
    std::optional<FrameRange> range;
    if (!movie.range.empty()) {
        range = ParseFrameRange(movie.range);
        if (!range)
            return Fail(err, ExitUsage, "--frames: '" + movie.range + "' is not a range FIRST-LAST of frame numbers");
        if (range->first > range->last)
            return Fail(err, ExitUsage, "--frames: the range " + movie.range + " starts after its end");
    }
    if (range && movie.folder.empty())
        return Fail(err, ExitUsage, "--frames " + movie.range + " needs --movie FOLDER for the frames");
    StartFromView(startView);
    if (!PictureFitsMovie())
        return Fail(err, ExitUsage,
                    "--movie: frames may be at most " + std::to_string(MaxMovieWidth) + " x " +
                        std::to_string(MaxMovieHeight) + " pixels; choose a smaller --size");
    if (movie.framesGiven && !range) {
        out << CountMovieFrames() << "\n";
        return 0;
    }
    if (range) {
        const int32_t count = CountMovieFrames();
        if (range->last >= count)
            return Fail(err, ExitUsage,
                        "--frames: the movie has " + std::to_string(count) + " frames (" + RangeText(0, count - 1) +
                            "); the range " + movie.range + " reaches beyond them");
        StartFromView(startView);
    }

    const std::string folder = WithTrailingSlash(movie.folder);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error))
        return Fail(err, ExitFailed, "cannot create the frame folder " + movie.folder);
    const RangeResult result = RenderMovieRange(folder, range.value_or(FrameRange{}));
    State.MovieMode = 0;
    if (result.failedFrame >= 0)
        return Fail(err, ExitFailed,
                    "frame " + FrameFileName(result.failedFrame, State.UnzoomVideo == 1) +
                        " could not be computed or written to " + movie.folder);
    return 0;
}

int RunEncodeCommand(const std::string& frameFolder, const std::string& video, std::ostream& err)
{
    if (!EndsWithAvi(video))
        return Fail(err, ExitUsage, "--encode: the video name after -o must end in .avi");
    MoviePlaces places = ProgramMoviePlaces();
    std::error_code error;
    places.frameFolder = WithTrailingSlash(std::filesystem::absolute(frameFolder, error).string());
    if (!std::filesystem::is_regular_file(places.jobTemplate, error))
        return Fail(err, ExitFailed, "no movie job template at " + places.jobTemplate);
    if (!std::filesystem::is_regular_file(places.runner, error))
        return Fail(err, ExitFailed, "the job runner was not found at " + places.runner);
    const std::string problem = FrameFolderProblem(places.frameFolder);
    if (!problem.empty())
        return Fail(err, ExitFailed, problem);
    // The runner works in its own folder: the job names absolute paths.
    const std::string aviPath = std::filesystem::absolute(video, error).string();
    if (!PrepareJobFile(places, aviPath))
        return Fail(err, ExitFailed, "the job file could not be written: " + places.jobFile);
    const std::string failure = RunJobRunner(places.runner, places.jobFile);
    if (!failure.empty())
        return Fail(err, ExitFailed, "the video " + aviPath + " could not be made: " + failure);
    return 0;
}
