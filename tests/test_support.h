#pragma once
#include <gtest/gtest.h>

#include "engine/fractal_state.h"
#include "engine/state_defaults.h"
#include "platform/headless_platform.h"

// Counts the repaints the code under test asks for.
class CountingPlatform : public HeadlessPlatform {
public:
    int invalidations = 0;
    void InvalidatePictureWindow() override { ++invalidations; }
};

// Every test starts from the start-up defaults with a small picture and a
// headless platform whose messages it can read back.
class FreshStateTest : public ::testing::Test {
protected:
    HeadlessPlatform platform;
    Platform* previousPlatform = nullptr;

    void SetUp() override
    {
        previousPlatform = InstallPlatform(&platform);
        InitialiseStateDefaults(1280, 1024, 2);
    }
    void TearDown() override { InstallPlatform(previousPlatform); }

    static void UsePictureSize(int32_t width, int32_t height)
    {
        State.PicWidth = width;
        State.PicHeight = height;
        Results.Allocate(width, height);
    }
};
