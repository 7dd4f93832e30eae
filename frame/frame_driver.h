#pragma once
#include <cstdint>
#include <vector>

// The one redraw entry: computes a frame when the parameters changed.
void Redraw();
void ThreadedDriver();
void ProgressiveDriver(int32_t drawingModeNumber);
// Arbitrary-precision frames.
void RunDeepFrame();

// Steps that windows above this layer provide; no-ops until installed.
struct FrameHooks {
    void (*renderJuliaPreview)() = nullptr;  // while the Julia finder is open
    void (*showIterMax)() = nullptr;         // the "Iter max:" field
    void (*frameShown)() = nullptr;          // after every frame outside movies
};
extern FrameHooks InstalledFrameHooks;

// When not null, every frame also leaves its kernel escape values here
// (storage order), before the colouring pass overwrites them.
extern std::vector<int32_t>* EscapeValueCapture;

// When not null, the escape values of the last frame of the same view with
// fewer iterations: a deep frame by perturbation keeps the results of the
// pixels that escaped there (they do not depend on IterMax) and computes
// only the others.
extern const std::vector<int32_t>* EscapesWithFewerIterations;

// Set while frames' kernel results are written out as they are (the
// renderer's raw and EXR files, its agreement figures). Otherwise extended
// frames leave the final values A and B of pixels proven inside at 0 where
// the picture does not show them.
extern bool KernelResultsExported;
