#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "frame/startup.h"
#include "platform/headless_platform.h"

// Loaders take paths: each input goes through a file in memory-backed /dev/shm.
// Every run starts from the same start-up state (built once, then restored),
// with dialogs answered headlessly.
template <typename Loader>
int FuzzOneFile(const uint8_t* data, size_t size, Loader load)
{
    static HeadlessPlatform platform;
    static const FractalState startState = [] {
        InstallPlatform(&platform);
        StartUpEngine(800, 600, 2);
        return State;
    }();
    static const std::string path = "/dev/shm/quorvatix-fuzz-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    State = startState;
    Results.Allocate(State.PicWidth, State.PicHeight);
    Texts = ViewTexts();
    InitBigFloats();
    platform.messages.clear();
    load(path);
    return 0;
}
