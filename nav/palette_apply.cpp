#include "nav/palette_apply.h"

#include "color/display.h"
#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "frame/frame_driver.h"
#include "platform/platform.h"

namespace {

constexpr int32_t SmoothColorBit = 1 << 1;

}  // namespace

void ApplyPalette()
{
    if (State.ColorOptions & SmoothColorBit) {
        // A deep frame can take long: the user may keep the picture as it is.
        if (State.DeepZoom == 1 &&
            CurrentPlatform().ShowMessage("REDRAW REQUIRED!\nDo You Want to Continue?", "QUORVATIX",
                                          MessageButtons::OkCancel) != MessageAnswer::Ok)
            return;
        State.FrameValid = 0;
        State.PictureLocked = 0;
        Redraw();
    }
    DisplayPicture();
}

void GeneratePaletteCommand(const PaletteFields& fields)
{
    ReadPaletteFields(fields);
    GeneratePaletteRegular();
    ApplyPalette();
}
