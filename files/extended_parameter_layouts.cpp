// The layouts with an extended view: L1-L4 and '+' (L4 tagged "+").
// Older program versions wrote no version mark, so the size alone tells them
// apart; the kind in the flags then says how many view values follow.

#include <cmath>
#include <utility>

#include "engine/fractal_state.h"
#include "files/parameter_file.h"

namespace {

constexpr int32_t InsideColorFlagBit = 64;  // L1 and L2 kept "Inside color" among the flags
constexpr int32_t InsideColorOption = 1;

struct LegacySize {
    size_t bytes;
    ParameterLayout layout;
    bool hasPalette;
};

constexpr LegacySize LegacySizes[] = {
    {75, ParameterLayout::Legacy1, false},  {95, ParameterLayout::Legacy1, false},
    {111, ParameterLayout::Legacy1, true},  {131, ParameterLayout::Legacy1, true},
    {115, ParameterLayout::Legacy2, true},  {135, ParameterLayout::Legacy2, true},
    {119, ParameterLayout::Legacy3, true},  {139, ParameterLayout::Legacy3, true},
    {129, ParameterLayout::Legacy4, true},  {149, ParameterLayout::Legacy4, true},
    {133, ParameterLayout::Legacy4, true},  {153, ParameterLayout::Legacy4, true},
};

bool AllFinite(const ParameterRecord& record, int32_t viewCount)
{
    for (int32_t k = 0; k < viewCount; ++k)
        if (!std::isfinite(record.extendedView[static_cast<size_t>(k)]))
            return false;
    for (float value : record.PaletteGen)
        if (!std::isfinite(value))
            return false;
    return std::isfinite(record.PotValue) && std::isfinite(record.Bailout);
}

// An extended value that a double cannot hold is damage, not a setting.
double ExtendedToDouble(long double value)
{
    return std::isfinite(value) ? static_cast<double>(value) : NAN;
}

}  // namespace

bool ReadExtendedLayout(const std::vector<uint8_t>& bytes, ParameterRecord& record)
{
    const LegacySize* size = nullptr;
    for (const LegacySize& candidate : LegacySizes)
        if (candidate.bytes == bytes.size())
            size = &candidate;
    if (!size)
        return false;

    ParameterRecord read;
    read.layout = size->layout;
    ByteReader in(bytes);
    if (read.layout == ParameterLayout::Legacy1) {
        read.FractalFlags = in.Byte();
    } else {
        read.tag = in.Byte();
        read.FractalFlags = in.Int32();
    }
    if (read.layout == ParameterLayout::Legacy3 || read.layout == ParameterLayout::Legacy4)
        read.ColorOptions = in.Int32();
    if (read.layout == ParameterLayout::Legacy4)
        read.PotValue = ExtendedToDouble(in.Extended());

    const int32_t viewCount = ViewValueCount(read.FractalFlags);
    for (int32_t k = 0; k < viewCount; ++k)
        read.extendedView[static_cast<size_t>(k)] = in.Extended();
    read.IterMax = in.Int32();
    read.Bailout = ExtendedToDouble(in.Extended());

    read.paletteIsLegacy = read.layout == ParameterLayout::Legacy1 || read.layout == ParameterLayout::Legacy2
                           || (read.layout == ParameterLayout::Legacy3 && read.tag == LegacyIntegerPaletteTag);
    if (size->hasPalette) {
        for (size_t k = 0; k < 9; ++k) {
            if (read.paletteIsLegacy)
                read.LegacyPaletteGen[k] = in.Int32();
            else
                read.PaletteGen[k] = in.Float32();
        }
    }
    if (read.layout == ParameterLayout::Legacy4 && read.tag == ExtendedLayoutTag)
        read.PaletteOffset = in.Int32();

    // A size that belongs to the other kind leaves fields missing: damage.
    if (in.failed() || !AllFinite(read, viewCount))
        return false;

    if ((read.layout == ParameterLayout::Legacy1 || read.layout == ParameterLayout::Legacy2)
        && (read.FractalFlags & InsideColorFlagBit)) {
        read.FractalFlags &= ~InsideColorFlagBit;
        read.ColorOptions |= InsideColorOption;
    }
    record = std::move(read);
    return true;
}
