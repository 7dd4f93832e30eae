#pragma once
#include <cstdint>
#include <functional>
#include <string>

class FrameProgress;

// Polled: the interface thread's rounds sleep their full time where windows
// share it, as the arbitrary-precision frames always have. Prompt: the rounds
// end within a millisecond of the last worker, for frames whose phases take
// milliseconds.
enum class WorkerWait { Polled, Prompt };

// Runs work(0) .. work(count - 1) on idle-priority worker threads while the
// interface thread polls Esc and shows progress: percentDone() (-1 while
// unknown) goes to `progress` when given and, every four seconds, into the
// title made by `title`. Esc sets StopRequest, waits for the workers and
// marks the frame stopped. Returns true when stopped; `finished` is the
// clock reading once the workers ended.
bool RunDeepWorkers(int32_t count, const std::function<void(int32_t)>& work,
                    const std::function<int32_t()>& percentDone, std::string (*title)(int32_t),
                    FrameProgress* progress, uint64_t& finished, WorkerWait wait = WorkerWait::Polled);
