#include <gtest/gtest.h>

#include "platform/headless_platform.h"
#include "sanitizer_settings.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Tests that install no platform of their own get a silent one.
    HeadlessPlatform platform;
    InstallPlatform(&platform);
    return RUN_ALL_TESTS();
}
