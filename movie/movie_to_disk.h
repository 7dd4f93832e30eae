#pragma once
#include <cstdint>
#include <string>
#include <vector>

// "Make movie to disk": unzooms step by step from the current view, writes
// every frame as a numbered JPG and has the job runner vdub/vdub turn them
// into an AVI file.

// Path of the last AVI made; the movie player plays it.
extern std::string MoviePath;

// Steps that windows above this layer provide; skipped while not installed.
struct MovieHooks {
    void (*closeToolWindows)() = nullptr;  // before the first frame
    void (*playMovie)(const std::string& aviPath) = nullptr;  // the player, on the finished video
};
extern MovieHooks InstalledMovieHooks;

// Where a movie reads and writes its files.
struct MoviePlaces {
    std::string frameFolder;  // with a trailing "/"
    std::string jobTemplate;
    std::string jobFile;
    std::string runner;
};
// temp/ and vdub/VirtualDub.jobs beside the program (or in the user's data
// folder where the program folder is not writable), Template.jobs and
// vdub/vdub beside the program.
MoviePlaces ProgramMoviePlaces();

// Clock readings in seconds since midnight; the start may lie before midnight.
std::string ElapsedText(int32_t start, int32_t now);

// The job template's lines 8, 9, 16, 37 and 41 (from 0) rewritten for this
// movie; a shorter template loses the lines beyond its end.
std::vector<std::string> EditJobTemplate(std::vector<std::string> lines, const std::string& firstFramePath,
                                         const std::string& aviPath, int32_t frameCount);

// Steps after the frames: the first frame file, the template edited and
// written back (where it is writable) and as the job file. False when the
// job file could not be written.
bool PrepareJobFile(const MoviePlaces& places, const std::string& aviPath);
// Runs the job runner on the job file and waits for it. Empty when the runner
// made the video; otherwise why not, in one line.
std::string RunJobRunner(const std::string& runner, const std::string& jobFile);

void MakeMovieToDisk(const MoviePlaces& places);
// Menu command "Make movie to disk": wider pictures are first cut to
// 1920 x 1080.
void MakeMovieToDiskCommand();
