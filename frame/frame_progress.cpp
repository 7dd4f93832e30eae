#include "frame/frame_progress.h"

#include "engine/number_text.h"
#include "engine/view_texts.h"
#include "platform/platform.h"

namespace {

constexpr uint64_t TitleDelayMs = 1000;
constexpr uint64_t TitleIntervalMs = 250;

}  // namespace

std::string CalculatingTitle(int32_t percent)
{
    return "QUORVATIX - Calculating " + NumberText(percent, 15) + "%" + " - STOP WITH ESC-KEY";
}

FrameProgress::FrameProgress(int32_t totalRows, bool titled)
    : totalRows_(totalRows > 0 ? totalRows : 1), titled_(titled), start_(TickMilliseconds())
{
}

FrameProgress::~FrameProgress()
{
    if (titleShown_)
        CurrentPlatform().SetPictureTitle(DeepLimitTitle());
}

void FrameProgress::Report(int32_t rowsDone)
{
    const int32_t percent = static_cast<int32_t>(static_cast<int64_t>(rowsDone) * 100 / totalRows_);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        CurrentPlatform().ShowProgress(percent);
    }
    if (!titled_ || percent == lastTitlePercent_)
        return;
    const uint64_t now = TickMilliseconds();
    if (now - start_ < TitleDelayMs || (titleShown_ && now - lastTitle_ < TitleIntervalMs))
        return;
    CurrentPlatform().SetPictureTitle(CalculatingTitle(percent));
    titleShown_ = true;
    lastTitle_ = now;
    lastTitlePercent_ = percent;
}
