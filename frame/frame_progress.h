#pragma once
#include <cstdint>
#include <string>

// "QUORVATIX - Calculating  N% - STOP WITH ESC-KEY".
std::string CalculatingTitle(int32_t percent);

// Passes the share of rows done to the platform once per whole percent. A
// titled progress also shows it in the picture window's title once the
// frame has run for a second, a few times a second at most, and gives the
// window its title back at the end.
class FrameProgress {
public:
    FrameProgress(int32_t totalRows, bool titled);
    ~FrameProgress();
    void Report(int32_t rowsDone);

private:
    int32_t totalRows_;
    bool titled_;
    bool titleShown_ = false;
    uint64_t start_;
    uint64_t lastTitle_ = 0;
    int32_t lastPercent_ = -1;
    int32_t lastTitlePercent_ = -1;
};
