#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
Platform* installedPlatform = nullptr;
}

Platform& CurrentPlatform()
{
    // Every program installs its platform before it touches the engine; a
    // missing one is a programming error, not a state to limp on from.
    if (!installedPlatform) {
        std::fputs("quorvatix: no platform installed\n", stderr);
        std::abort();
    }
    return *installedPlatform;
}

Platform* InstallPlatform(Platform* platform)
{
    Platform* previous = installedPlatform;
    installedPlatform = platform;
    return previous;
}

void SleepMilliseconds(int32_t ms)
{
    if (ms <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void PauseForWindows(int32_t ms)
{
    if (CurrentPlatform().HasWindows())
        SleepMilliseconds(ms);
}

uint64_t TickMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
