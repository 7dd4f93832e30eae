#pragma once
#include <cstdint>
#include <string>

#include "movie/frame_files.h"

// The frames of a zoom movie one step at a time, shared by "Make movie to
// disk" and the batch renderer. Frame n (from 0) shows the view after n + 1
// unzoom steps by UnzoomFactor from the start view and is written as
// FrameFileName(n, UnzoomVideo).

constexpr int32_t MaxMovieWidth = 1920;
constexpr int32_t MaxMovieHeight = 1080;

// The picture size is one a movie frame may have.
bool PictureFitsMovie();

// Before the first frame: movie mode (no titles, no automatic pot value), no
// backups and so JPG frames at full quality, no stop pending.
void StartMovieFrames();

// The unzoom step from the view of frame n - 1 (the start view for frame 0)
// to the view of frame n.
void UnzoomToNextFrame();

// The stop rule after frame n: the last frame number is used, or the view
// before the last unzoom step was more than 16 units wide.
bool IsLastFrame(int32_t n);

enum class FrameOutcome { Written, Stopped, NotWritten };
// Computes the frame of the current view and writes it as frame n into the
// folder (with a trailing "/"). Stopped: Esc stopped the frame, nothing was
// written.
FrameOutcome ComputeAndSaveFrame(const std::string& frameFolder, int32_t n);

// A frame not computed again (ReplayFrame), at the picture size its
// samples are computed at.
void ReplayMovieFrame();

// Frame n is in the folder as a complete JPG of the picture size: it needs
// no computing, only replaying.
bool FrameOnDisk(const std::string& frameFolder, int32_t n);
