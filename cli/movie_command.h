#pragma once
#include <functional>
#include <ostream>
#include <string>

// The renderer's zoom movies: the frames of "Make movie to disk" in ranges
// that any machine computes on its own, and the video from a complete frame
// folder through the desktop program's job template and job runner.

struct MovieOptions {
    std::string folder;        // --movie FOLDER
    bool framesGiven = false;  // --frames
    std::string range;         // the FIRST-LAST after --frames; empty: print the frame count
    bool Requested() const { return !folder.empty() || framesGiven; }
};

// Renders the frames (or prints their count). `startView` starts the engine
// afresh and sets up the start view from the parameter file and the options;
// it runs once more when a range must first be checked against the count.
// Returns the exit status; messages are one line on `err`.
int RunMovieCommand(const MovieOptions& movie, const std::function<void()>& startView, std::ostream& out,
                    std::ostream& err);

// Makes the video from the frames in the folder. Returns the exit status.
int RunEncodeCommand(const std::string& frameFolder, const std::string& video, std::ostream& err);
