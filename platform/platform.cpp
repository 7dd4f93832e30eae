#include "platform/platform.h"

#include <chrono>
#include <thread>

#include "platform/headless_platform.h"

namespace {
HeadlessPlatform fallbackPlatform;
Platform* installedPlatform = &fallbackPlatform;
}

Platform& CurrentPlatform() { return *installedPlatform; }

Platform* InstallPlatform(Platform* platform)
{
    Platform* previous = installedPlatform;
    installedPlatform = platform ? platform : &fallbackPlatform;
    return previous;
}

void SleepMilliseconds(int32_t ms)
{
    if (ms <= 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t TickMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
