#pragma once
#include <cstdint>

#include "platform/platform.h"

// Passes the share of rows done to the platform, once per whole percent.
class FrameProgress {
public:
    explicit FrameProgress(int32_t totalRows) : totalRows_(totalRows > 0 ? totalRows : 1) {}
    void Report(int32_t rowsDone)
    {
        const int32_t percent = static_cast<int32_t>(static_cast<int64_t>(rowsDone) * 100 / totalRows_);
        if (percent != lastPercent_) {
            lastPercent_ = percent;
            CurrentPlatform().ShowProgress(percent);
        }
    }

private:
    int32_t totalRows_;
    int32_t lastPercent_ = -1;
};
