// The job runner: "vdub /r" runs the jobs of VirtualDub.jobs beside itself
// (or of the job file named after "/r"), turning numbered JPG frames into AVI
// files with ffmpeg. Exit status 0 when
// every job wrote its video; otherwise one line on stderr says why.

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "vdub/job_script.h"

namespace {

enum ExitStatus { Done = 0, BadCall = 1, NoFfmpeg = 2, NoFrames = 3, NoVideo = 4 };

constexpr int ExecFailed = 127;

int Fail(ExitStatus status, const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return status;
}

std::filesystem::path OwnFolder(const char* argv0)
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::absolute(argv0).parent_path() : self.parent_path();
}

std::vector<std::string> ReadLines(const std::filesystem::path& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The frame names are plain decimal numbers; the sequence counts upward from
// the first one.
bool FrameNumber(const std::filesystem::path& frame, long long& number)
{
    const std::string stem = frame.stem().string();
    if (stem.empty() || stem.find_first_not_of("0123456789") != std::string::npos || stem.size() > 18)
        return false;
    number = std::stoll(stem);
    return true;
}

std::string EscapedPercent(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        escaped += c;
        if (c == '%')
            escaped += '%';
    }
    return escaped;
}

// ffmpeg's codec name and stream tag for the script's four letters.
bool CodecFor(const std::string& fourcc, std::string& codec, std::string& tag)
{
    if (fourcc.empty() || fourcc == "MJPG" || fourcc == "mjpg") {
        codec = "mjpeg";
        tag = "MJPG";
        return true;
    }
    if (fourcc == "XVID" || fourcc == "xvid" || fourcc == "DIVX" || fourcc == "divx" || fourcc == "FMP4" ||
        fourcc == "mp4v") {
        codec = "mpeg4";
        tag = fourcc;
        return true;
    }
    return false;
}

int RunFfmpeg(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return ExecFailed;
    if (child == 0) {
        execvp(argv[0], argv.data());
        _exit(ExecFailed);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return ExecFailed;
    return WIFEXITED(status) ? WEXITSTATUS(status) : ExecFailed;
}

int Encode(const VideoJob& job)
{
    const std::filesystem::path first = job.firstFrame;
    long long start = 0;
    std::error_code error;
    if (job.firstFrame.empty() || !std::filesystem::is_regular_file(first, error) || !FrameNumber(first, start) ||
        job.frameCount == 0)
        return Fail(NoFrames, "No frames to encode: " + job.firstFrame);
    if (job.output.empty())
        return Fail(BadCall, "The job names no video file");
    std::string codec, tag;
    if (!CodecFor(job.fourcc, codec, tag))
        return Fail(BadCall, "Unsupported compression: " + job.fourcc);

    // Quality 10000 is the best; ffmpeg's scale runs from 2 (best) to 31.
    const int scale = 2 + (10000 - job.quality) * 29 / 10000;
    const std::string pattern = EscapedPercent(first.parent_path().string()) + "/%d" + first.extension().string();
    std::vector<std::string> arguments = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                          "-framerate", std::to_string(job.rateNumerator) + "/" +
                                                            std::to_string(job.rateDenominator),
                                          "-start_number", std::to_string(start), "-i", pattern};
    if (job.frameCount > 0) {
        arguments.push_back("-frames:v");
        arguments.push_back(std::to_string(job.frameCount));
    }
    for (const char* item : {"-c:v", codec.c_str(), "-vtag", tag.c_str(), "-q:v"})
        arguments.push_back(item);
    arguments.push_back(std::to_string(scale));
    arguments.push_back("-f");
    arguments.push_back("avi");
    arguments.push_back(job.output);

    std::filesystem::remove(job.output, error);
    const int status = RunFfmpeg(arguments);
    if (status == ExecFailed)
        return Fail(NoFfmpeg, "ffmpeg was not found; please install it");
    if (status != 0 || !std::filesystem::is_regular_file(job.output, error) ||
        std::filesystem::file_size(job.output, error) == 0)
        return Fail(NoVideo, "No video was written: " + job.output);
    return Done;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) != "/r")
        return Fail(BadCall, "Usage: vdub /r [job file]");
    const std::filesystem::path jobFile = argc > 2 ? std::filesystem::path(argv[2])
                                                   : OwnFolder(argv[0]) / "VirtualDub.jobs";
    const std::vector<VideoJob> jobs = ReadJobScript(ReadLines(jobFile));
    if (jobs.empty())
        return Fail(BadCall, "No job in " + jobFile.string());
    for (const VideoJob& job : jobs)
        if (const int status = Encode(job); status != Done)
            return status;
    return Done;
}
