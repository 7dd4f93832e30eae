#include "color/palette_file.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>

#include "color/display.h"
#include "color/palette_generation.h"
#include "engine/fractal_state.h"
#include "platform/platform.h"
#include "platform/whole_file.h"

namespace {

constexpr size_t ShortFileSize = 40;
constexpr size_t FullFileSize = 44;
constexpr int32_t SmoothBit = 1 << 1;
constexpr int32_t FirstSwitchBit = 4;

void PutWord(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetWord(const uint8_t* at)
{
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

// The switches in the order of their bits 4..8.
std::array<int32_t*, 5> Switches()
{
    return {&State.PaletteHSL, &State.PaletteInverse, &State.PaletteReverse, &State.PaletteExp2,
            &State.PaletteExp3};
}

void RefusePaletteFile()
{
    CurrentPlatform().ShowMessage("Not a Quorvatix-file!", "QUORVATIX", MessageButtons::Ok);
}

}  // namespace

bool SavePaletteFile(const std::string& path)
{
    if (path.empty())
        return false;
    // Bit 5 is cleared too: a stale Inverse bit would load as a different palette.
    const auto switches = Switches();
    for (size_t i = 0; i < switches.size(); ++i) {
        const int32_t bit = 1 << (FirstSwitchBit + static_cast<int32_t>(i));
        State.ColorOptions = *switches[i] ? State.ColorOptions | bit : State.ColorOptions & ~bit;
    }

    uint8_t bytes[FullFileSize];
    for (size_t i = 0; i < State.PaletteGen.size(); ++i)
        PutWord(bytes + 4 * i, std::bit_cast<uint32_t>(State.PaletteGen[i]));
    PutWord(bytes + 36, static_cast<uint32_t>(State.ColorOptions));
    PutWord(bytes + 40, static_cast<uint32_t>(State.PaletteOffset));

    return WriteFileAtomically(path, {std::as_bytes(std::span(bytes))});
}

bool LoadPaletteFile(const std::string& path)
{
    if (path.empty())
        return false;
    // One byte more than the longest form tells a longer file apart.
    uint8_t bytes[FullFileSize + 1];
    size_t size = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    bool readable = file != nullptr;
    if (file) {
        size = std::fread(bytes, 1, sizeof bytes, file);
        readable = !std::ferror(file);
        std::fclose(file);
    }
    if (!readable || (size != ShortFileSize && size != FullFileSize)) {
        RefusePaletteFile();
        return false;
    }

    std::array<float, 9> generator{};
    for (size_t i = 0; i < generator.size(); ++i)
        generator[i] = std::bit_cast<float>(GetWord(bytes + 4 * i));
    const auto options = static_cast<int32_t>(GetWord(bytes + 36));
    const int32_t offset = size == FullFileSize ? static_cast<int32_t>(GetWord(bytes + 40)) : 0;
    // Any values are taken as stored: the generator and the display read
    // every input safely, and a load followed by a save gives the same bytes.
    State.PaletteGen = generator;
    State.ColorOptions = options;
    State.PaletteOffset = offset;
    const auto switches = Switches();
    for (size_t i = 0; i < switches.size(); ++i)
        *switches[i] = (options >> (FirstSwitchBit + static_cast<int32_t>(i))) & 1;

    GeneratePaletteRegular();
    State.PictureLocked = 0;
    DisplayPicture();
    // Smooth colours live in the picture itself, so only a new frame shows them.
    if (options & SmoothBit) {
        State.FrameValid = 0;
        CurrentPlatform().InvalidatePictureWindow();
    }
    return true;
}

void SavePaletteCommand()
{
    const std::string path =
        CurrentPlatform().AskSaveFile({"", "Palette Files (*.pal)|*.PAL|", "PAL", ""});
    if (!path.empty() && !SavePaletteFile(path))
        CurrentPlatform().ShowMessage("The palette could not be saved:\n" + path, "QUORVATIX",
                                      MessageButtons::Ok);
}

void LoadPaletteCommand()
{
    const std::string path =
        CurrentPlatform().AskOpenFile({"", "Palette Files (*.pal)|*.PAL|", "PAL", ""});
    if (!path.empty())
        LoadPaletteFile(path);
}
