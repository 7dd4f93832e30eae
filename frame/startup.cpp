#include "frame/startup.h"

#include <cmath>
#include <cstdlib>

#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "engine/state_defaults.h"
#include "platform/platform.h"

int32_t ProcessorCountFromAnswer(const std::string& answer)
{
    const double value = std::strtod(answer.c_str(), nullptr);
    const double rounded = std::nearbyint(value);
    if (!(rounded >= 1))
        return 1;
    return rounded > 4096 ? 4096 : static_cast<int32_t>(rounded);
}

void StartUpEngine(int32_t screenWidth, int32_t screenHeight, int32_t processorCount)
{
    if (processorCount == 0) {
        const std::string answer = CurrentPlatform().AskText(
            "Number of processors not detected!\r\n\r\nPlease input suitable number:", "QUORVATIX", "1");
        processorCount = ProcessorCountFromAnswer(answer.empty() ? "1" : answer);
    }
    InitialiseStateDefaults(screenWidth, screenHeight, processorCount);
    BuildDefaultPalette();
    ResetParameters();
}

void OriginalMandelbrot()
{
    State.FractalFlags = 5;
    ResetParameters();
    State.ParamFileName.clear();
    State.IterMax = 100;
    State.ColorOptions = 4;
    State.Bailout = 100;
    State.PictureLocked = 0;
    State.JuliaViewSet = 0;
    State.MandelbrotShown = 0;
    State.AutoIterIncrease = 1;
    State.FractalFlags = 5;
    State.DeepZoom = 0;
    State.FrameValid = 0;
    State.PaletteOffset = 0;
    BuildDefaultPalette();
    CurrentPlatform().ShowChangesInToolWindows();
    CurrentPlatform().InvalidatePictureWindow();
}
