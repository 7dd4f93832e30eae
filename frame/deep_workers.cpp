#include "frame/deep_workers.h"

#include <pthread.h>

#include <algorithm>
#include <vector>

#include "color/display.h"
#include "engine/fractal_state.h"
#include "engine/relaxed_atomic.h"
#include "engine/worker_thread.h"
#include "frame/frame_progress.h"
#include "platform/platform.h"

namespace {

struct Launch {
    const std::function<void(int32_t)>* work = nullptr;
    int32_t index = 0;
    RelaxedAtomic<int32_t>* running = nullptr;
};

void* Worker(void* argument)
{
    auto* launch = static_cast<Launch*>(argument);
    (*launch->work)(launch->index);
    launch->running->fetch_sub(1);
    return nullptr;
}

// Sleeps for `ms`, or with Prompt (or without windows to serve) until the
// workers are done, whichever comes first.
void Pause(int32_t ms, WorkerWait wait, const RelaxedAtomic<int32_t>& running)
{
    if (wait == WorkerWait::Polled && CurrentPlatform().HasWindows()) {
        SleepMilliseconds(ms);
        return;
    }
    for (int32_t slept = 0; slept < ms && running.load() > 0; ++slept)
        SleepMilliseconds(1);
}

}  // namespace

bool RunDeepWorkers(int32_t count, const std::function<void(int32_t)>& work,
                    const std::function<int32_t()>& percentDone, std::string (*title)(int32_t),
                    FrameProgress* progress, uint64_t& finished, WorkerWait wait)
{
    Platform& platform = CurrentPlatform();
    RelaxedAtomic<int32_t> running{0};
    std::vector<Launch> launches(static_cast<size_t>(count));
    std::vector<pthread_t> handles;
    for (int32_t i = 0; i < count; ++i) {
        launches[i] = {&work, i, &running};
        pthread_t handle;
        running.fetch_add(1);
        if (StartWorkerThread(Worker, &launches[i], WorkerPriority::Idle, &handle))
            handles.push_back(handle);
        else
            running.fetch_sub(1);
    }
    platform.SetMainTitle(title(0));

    bool stopped = false;
    uint64_t now = TickMilliseconds();
    uint64_t lastEscPoll = 0;
    uint64_t lastDisplay = 0;
    while (running.load() > 0) {
        now = TickMilliseconds();
        Pause(10, wait, running);
        if (now - lastEscPoll > 100) {
            lastEscPoll = now;
            const bool escape = platform.EscapePressed();
            Pause(10, wait, running);
            platform.PumpMessages();
            if (escape) {
                State.StopRequest = 1;
                while (running.load() > 0)
                    SleepMilliseconds(10);
                platform.PumpMessages();
                State.FrameAborted = 1;
                State.MovieMode = 0;
                stopped = true;
                break;
            }
        }
        const int32_t percent = percentDone();
        if (now - lastDisplay > 4000) {
            Pause(5, wait, running);
            platform.ShowFrameImage(FrameImage.pixels.data(), FrameImage.width, FrameImage.height);
            if (count <= 16 && percent >= 0)
                platform.SetMainTitle(title(percent));
            platform.PumpMessages();
            lastDisplay = now;
        }
        if (progress && percent >= 0)
            progress->Report(percent);
        Pause(5, wait, running);
        platform.PumpMessages();
    }
    for (pthread_t handle : handles)
        pthread_join(handle, nullptr);
    // Workers that end before the first poll still took their time.
    finished = std::max(now, TickMilliseconds());
    return stopped;
}
