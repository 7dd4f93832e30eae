#include "files/parameter_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <utility>

#include "color/palette_generation.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/number_text.h"
#include "engine/view_texts.h"
#include "files/picture_export.h"
#include "platform/platform.h"
#include "platform/whole_file.h"

namespace {

const char* const MessageCaption = "QUORVATIX";
const char* const FractalFilter = "Fractal Files (*.fra)|*.FRA|";
const char* const DeepFractalFilter = "Fractal Files (*.fdz)|*.FDZ|";
const char* const LoadFilter = "Fractal Files (*.fdz;*.fra)|*.FDZ;*.FRA|";

// Comfortably above the largest '7' file (eight records at MaxFilePrecisionBits,
// about 1 MiB); a longer file can only be a '2' file, of which the head suffices.
constexpr size_t ReadLimit = size_t{4} << 20;

constexpr int32_t ShallowPrecision = 80;  // what the browser shows for extended views

// The stored part of the view: the leading values of its group.
std::span<const ViewValue> ViewOf(int32_t fractalFlags)
{
    return ViewGroup(fractalFlags).first(static_cast<size_t>(ViewValueCount(fractalFlags)));
}

struct PaletteSwitchBit {
    int32_t FractalState::*paletteSwitch;
    int32_t bit;
};

const PaletteSwitchBit PaletteSwitchBits[] = {
    {&FractalState::PaletteHSL, 1 << 4},   {&FractalState::PaletteInverse, 1 << 5},
    {&FractalState::PaletteReverse, 1 << 6}, {&FractalState::PaletteExp2, 1 << 7},
    {&FractalState::PaletteExp3, 1 << 8},
};

bool PrecisionAllowed(int32_t bits) { return bits >= MinFilePrecisionBits && bits <= MaxFilePrecisionBits; }

bool CommonNumbersFinite(const ParameterRecord& record)
{
    for (float value : record.PaletteGen)
        if (!std::isfinite(value))
            return false;
    return std::isfinite(record.PotValue) && std::isfinite(record.Bailout);
}

bool ViewExists(int32_t fractalFlags)
{
    for (const ViewValue& slot : ViewOf(fractalFlags))
        if (!slot.big->created())
            return false;
    return true;
}

// Reads at most ReadLimit + 1 bytes; `complete` tells whether that was all.
bool ReadFileHead(const std::string& path, std::vector<uint8_t>& bytes, bool& complete)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bytes.clear();
    uint8_t chunk[65536];
    size_t got = 0;
    while (bytes.size() <= ReadLimit && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    complete = bytes.size() <= ReadLimit;
    return ok;
}

bool ReadDeepLayout(const std::vector<uint8_t>& bytes, bool complete, ParameterRecord& record)
{
    ByteReader in(bytes);
    // The records account for every byte: anything after them (an .fpz picture
    // block, say) means this is not a '7' parameter file.
    return complete && ReadDeepFixedFields(in, record) && ReadBigFloatRecords(in, record) && in.remaining() == 0;
}

bool ReadRecord(const std::vector<uint8_t>& bytes, bool complete, ParameterRecord& record)
{
    if (complete && bytes.size() <= LargestExtendedFileSize)
        return ReadExtendedLayout(bytes, record);
    ParameterRecord read;
    if (bytes[0] == TextLayoutTag) {
        // Anything after the parameter part is ignored, so an .fpi loads too.
        ByteReader in(bytes);
        if (!ReadTextLayoutFields(in, read))
            return false;
    } else if (bytes[0] == DeepLayoutTag) {
        if (!ReadDeepLayout(bytes, complete, read))
            return false;
    } else {
        return false;
    }
    record = std::move(read);
    return true;
}

// A 500-byte field holding one NUL-ended text.
bool ReadTextField(ByteReader& in, std::string& text)
{
    std::string field(ViewTextFieldSize, '\0');
    in.Raw(field.data(), field.size());
    const size_t end = field.find('\0');
    if (end == std::string::npos)
        return false;
    field.resize(end);
    text = std::move(field);
    return true;
}

void ShowDeepLimitTitle()
{
    CurrentPlatform().SetPictureTitle(DeepLimitTitle());
}

void ShowFileTitle(const std::string& path)
{
    State.TitleFileName = path;
    CurrentPlatform().SetMainTitle("QUORVATIX - " + path);
}

// Re-creates every value at the file's precision. The applied precision
// follows, so the next SyncViewTexts does not re-read the view from its texts
// (which would round away the stored bits).
void CreateViewAtPrecision(int32_t bits)
{
    State.PrecisionBits = bits;
    ClearBigFloats();
    InitBigFloats();
    State.AppliedPrecisionBits = bits;
}

// The texts, DeepLimit, deep zoom and precision from the loaded values; the
// Mandelbrot centre and magnification on the way.
void SyncLoadedView()
{
    if (IsMandelbrot(State.FractalFlags))
        CornersToCenter();
    else
        SyncViewTexts();
}

// The end shared by the '2' and '7' loaders.
void FinishDeepLoad(const std::string& path)
{
    if (State.PotValue == 0)
        State.PotValue = 0.0001;
    GeneratePaletteRegular();
    State.JuliaViewSet = 1;
    State.ParamFileName = path;
    if (State.Bailout < 2)
        State.Bailout = 2;
    ShowDeepLimitTitle();
    State.FrameValid = 0;
}

}  // namespace

int32_t ViewValueCount(int32_t fractalFlags) { return IsMandelbrot(fractalFlags) ? 6 : 8; }

size_t TextLayoutSize(int32_t fractalFlags)
{
    return 77 + ViewTextFieldSize * static_cast<size_t>(ViewValueCount(fractalFlags));
}

void ApplyStoredFields(const ParameterRecord& record)
{
    State.FractalFlags = record.FractalFlags;
    State.ColorOptions = record.ColorOptions;
    SetPaletteSwitchesFromBits(0);
    State.PotValue = record.PotValue;
    State.IterMax = record.IterMax;
    State.LoadedIterMaxHeld = 1;
    State.Bailout = record.Bailout;
    State.PaletteGen = record.PaletteGen;
    State.PaletteOffset = record.PaletteOffset;
}

bool ReadParameterRecord(const std::vector<uint8_t>& bytes, ParameterRecord& record)
{
    return ReadRecord(bytes, true, record);
}

namespace {

// The fields both the '2' and the '7' layout open with.
void ReadLeadingFields(ByteReader& in, ParameterRecord& record)
{
    record.tag = in.Byte();
    record.FractalFlags = in.Int32();
    record.DeepZoom = in.Int32();
    record.ColorOptions = in.Int32();
    record.PotValue = in.Float64();
}

}  // namespace

bool ReadTextLayoutFields(ByteReader& in, ParameterRecord& record)
{
    record.layout = ParameterLayout::Text;
    ReadLeadingFields(in, record);
    bool terminated = true;
    const int32_t count = ViewValueCount(record.FractalFlags);
    for (int32_t k = 0; k < count; ++k)
        terminated = ReadTextField(in, record.textView[static_cast<size_t>(k)]) && terminated;
    record.IterMax = in.Int32();
    record.Bailout = in.Float64();
    for (float& value : record.PaletteGen)
        value = in.Float32();
    record.PaletteOffset = in.Int32();
    record.PrecisionBits = in.Int32();

    if (in.failed() || !terminated || !CommonNumbersFinite(record))
        return false;
    if (record.DeepZoom != 0 && record.DeepZoom != 1)
        return false;
    // The stored precision is used only for a deep view.
    if (record.DeepZoom == 1 && !PrecisionAllowed(record.PrecisionBits))
        return false;
    BigFloat scratch(MinFilePrecisionBits);
    for (int32_t k = 0; k < count; ++k)
        if (!ReadBigFloatText(record.textView[static_cast<size_t>(k)], scratch))
            return false;
    return true;
}

bool ReadDeepFixedFields(ByteReader& in, ParameterRecord& record)
{
    record.layout = ParameterLayout::Deep;
    ReadLeadingFields(in, record);
    record.IterMax = in.Int32();
    record.Bailout = in.Float64();
    for (float& value : record.PaletteGen)
        value = in.Float32();
    record.PaletteOffset = in.Int32();
    record.PrecisionBits = in.Int32();
    return !in.failed() && (record.DeepZoom == 0 || record.DeepZoom == 1)
           && PrecisionAllowed(record.PrecisionBits) && CommonNumbersFinite(record);
}

bool ReadBigFloatRecords(ByteReader& in, ParameterRecord& record)
{
    if (!PrecisionAllowed(record.PrecisionBits))
        return false;
    const size_t count = static_cast<size_t>(ViewValueCount(record.FractalFlags));
    for (size_t k = 0; k < count; ++k) {
        LimbRecord& value = record.limbView[k];
        value = LimbRecord{};
        value.precisionLimbs = in.Int32();
        value.signedCount = in.Int32();
        value.exponent = in.Int32();
        in.Skip(4);  // the writer's limb address in older files
    }
    if (in.failed())
        return false;

    // Each record must fit a value created at the stored precision, as the
    // loaded values will be; checked before anything is allocated for it.
    BigFloat scratch(record.PrecisionBits);
    for (size_t k = 0; k < count; ++k) {
        LimbRecord& value = record.limbView[k];
        const int64_t limbs = std::llabs(static_cast<int64_t>(value.signedCount));
        if (static_cast<uint64_t>(limbs) > in.remaining() / 4)
            return false;
        value.limbs.resize(static_cast<size_t>(limbs));
        for (uint32_t& limb : value.limbs)
            limb = in.UInt32();
        if (!FromLimbRecord(value, scratch, nullptr))
            return false;
    }
    return !in.failed();
}

void RefreshPaletteSwitchBits()
{
    for (const PaletteSwitchBit& entry : PaletteSwitchBits) {
        if (State.*entry.paletteSwitch == 1)
            State.ColorOptions |= entry.bit;
        else
            State.ColorOptions &= ~entry.bit;
    }
}

void SetPaletteSwitchesFromBits(int32_t colorOptions)
{
    for (const PaletteSwitchBit& entry : PaletteSwitchBits)
        State.*entry.paletteSwitch = (colorOptions & entry.bit) ? 1 : 0;
}

std::vector<uint8_t> FraFileBytes()
{
    RefreshPaletteSwitchBits();
    // In deep zoom the extended view is left from the last shallow frame; the
    // current view is the arbitrary-precision one, rounded through its text.
    const bool fromBigFloats = State.DeepZoom != 0 && ViewExists(State.FractalFlags);
    ByteWriter out;
    out.Byte(ExtendedLayoutTag);
    out.Int32(State.FractalFlags);
    out.Int32(State.ColorOptions);
    out.Extended(State.PotValue);
    for (const ViewValue& slot : ViewOf(State.FractalFlags))
        out.Extended(fromBigFloats ? ReadExtendedText(BigFloatText(*slot.big, nullptr)) : State.*slot.extended);
    out.Int32(State.IterMax);
    out.Extended(State.Bailout);
    for (float value : State.PaletteGen)
        out.Float32(value);
    out.Int32(State.PaletteOffset);
    return out.bytes();
}

void WriteDeepFixedFields(ByteWriter& out)
{
    RefreshPaletteSwitchBits();
    out.Byte(DeepLayoutTag);
    out.Int32(State.FractalFlags);
    out.Int32(State.DeepZoom);
    out.Int32(State.ColorOptions);
    out.Float64(State.PotValue);
    out.Int32(State.IterMax);
    out.Float64(State.Bailout);
    for (float value : State.PaletteGen)
        out.Float32(value);
    out.Int32(State.PaletteOffset);
    out.Int32(State.PrecisionBits);
}

bool WriteBigFloatRecords(ByteWriter& out)
{
    if (!ViewExists(State.FractalFlags) || !PrecisionAllowed(State.PrecisionBits))
        return false;
    // Each record keeps what a 32-bit-limb value at the stored precision
    // holds, the most any reader accepts, whatever precision a value has here.
    std::vector<LimbRecord> records;
    for (const ViewValue& slot : ViewOf(State.FractalFlags))
        records.push_back(ToLimbRecord(*slot.big, State.PrecisionBits));
    for (const LimbRecord& record : records) {
        out.Int32(record.precisionLimbs);
        out.Int32(record.signedCount);
        out.Int32(record.exponent);
        out.Int32(0);
    }
    for (const LimbRecord& record : records)
        for (uint32_t limb : record.limbs)
            out.UInt32(limb);
    return true;
}

bool WriteViewTextFields(ByteWriter& out)
{
    const std::span<const ViewValue> view = ViewOf(State.FractalFlags);
    for (const ViewValue& slot : view)
        if ((Texts.*slot.text).size() >= ViewTextFieldSize)
            return false;
    for (const ViewValue& slot : view)
        out.Text(Texts.*slot.text, ViewTextFieldSize);
    return true;
}

void ConvertLegacyPalette(const std::array<int32_t, 9>& legacyPaletteGen)
{
    for (size_t k = 0; k < legacyPaletteGen.size(); ++k)
        State.PaletteGen[k] = static_cast<float>(legacyPaletteGen[k]);
}

void ApplyExtendedRecord(const ParameterRecord& record, const std::string& path)
{
    const std::array<float, 9> paletteBefore = State.PaletteGen;
    ApplyStoredFields(record);
    const std::span<const ViewValue> view = ViewOf(State.FractalFlags);
    for (size_t k = 0; k < view.size(); ++k)
        State.*view[k].extended = record.extendedView[k];
    if (record.paletteIsLegacy) {
        // A zero first step marks files saved before the palette was stored.
        // Smooth colour keeps the start and stop in force before the load, not
        // the record's float palette, which such a file leaves all zeros.
        if (record.LegacyPaletteGen[3] == 0) {
            State.PaletteGen = paletteBefore;
            BuildDefaultPalette();
        } else {
            ConvertLegacyPalette(record.LegacyPaletteGen);
        }
    }
    if (record.layout == ParameterLayout::Legacy4)
        SetPaletteSwitchesFromBits(State.ColorOptions);
    if (State.PotValue == 0)
        State.PotValue = 0.0001;
    GeneratePaletteRegular();
    State.JuliaViewSet = 1;
    State.ParamFileName = path;
    if (State.Bailout < 2)
        State.Bailout = 4;
    State.DeepZoom = 0;
    if (State.ProcessorCount > 1)
        State.MultiThreaded = 1;
    State.PictureLocked = 0;
    State.FrameValid = 0;
    ExtendedToBigFloats();
    CurrentPlatform().InvalidatePictureWindow();
    ShowFileTitle(path);
    CurrentPlatform().RefreshToolWindows();
}

void LoadTextRecordView(const ParameterRecord& record)
{
    State.FractalFlags = record.FractalFlags;
    State.DeepZoom = record.DeepZoom;
    if (record.DeepZoom == 1)
        CreateViewAtPrecision(record.PrecisionBits);
    std::array<std::string, 14> fileTexts;
    const size_t first = IsMandelbrot(record.FractalFlags) ? 0 : 6;
    for (size_t k = 0; k < static_cast<size_t>(ViewValueCount(record.FractalFlags)); ++k)
        fileTexts[first + k] = record.textView[k];
    FileTextsToBigFloats(fileTexts);
    BigFloatsToTexts();
    if (record.DeepZoom == 0)
        BigTextsToExtended();
    SyncLoadedView();
}

void ApplyTextRecord(const ParameterRecord& record, const std::string& path)
{
    ApplyStoredFields(record);
    State.AutoPotValue = 0;
    State.ParamFileName = path;
    LoadTextRecordView(record);
    SetPaletteSwitchesFromBits(State.ColorOptions);
    FinishDeepLoad(path);
    State.PictureLocked = 0;
    SleepMilliseconds(1);
    CurrentPlatform().InvalidatePictureWindow();
    CurrentPlatform().RefreshToolWindows();
}

void ApplyDeepRecord(const ParameterRecord& record, const std::string& path, bool unlockPicture)
{
    State.ParamFileName = path;
    State.TitleFileName = path;
    ApplyStoredFields(record);
    State.DeepZoom = record.DeepZoom;
    CreateViewAtPrecision(record.PrecisionBits);
    const std::span<const ViewValue> view = ViewOf(State.FractalFlags);
    for (size_t k = 0; k < view.size(); ++k)
        FromLimbRecord(record.limbView[k], *view[k].big, nullptr);  // checked when read
    State.AutoPotValue = 0;
    SyncLoadedView();
    if (State.ProcessorCount > 1)
        State.MultiThreaded = 1;
    SetPaletteSwitchesFromBits(State.ColorOptions);
    FinishDeepLoad(path);
    if (unlockPicture)
        State.PictureLocked = 0;
    CurrentPlatform().InvalidatePictureWindow();
    ShowFileTitle(path);
    CurrentPlatform().RefreshToolWindows();
}

void ShowNotQuorvatixFile()
{
    CurrentPlatform().ShowMessage("Not a quorvatix-file!", MessageCaption, MessageButtons::Ok);
}

bool WriteWithThumbnail(const std::string& path, const std::vector<uint8_t>& bytes)
{
    if (!WriteFileAtomically(path, bytes))
        return false;
    SaveThumbnail(path + ".jpg");
    return true;
}

bool SaveFraFile(const std::string& path) { return WriteWithThumbnail(path, FraFileBytes()); }

bool SaveFdzFile(const std::string& path)
{
    ByteWriter out;
    WriteDeepFixedFields(out);
    return WriteBigFloatRecords(out) && WriteWithThumbnail(path, out.bytes());
}

bool SaveParameterFile(const std::string& path)
{
    return State.DeepZoom == 1 ? SaveFdzFile(path) : SaveFraFile(path);
}

int LoadParameterFile(const std::string& path)
{
    if (path.empty())
        return 0;
    std::vector<uint8_t> bytes;
    bool complete = false;
    if (!ReadFileHead(path, bytes, complete)) {
        CurrentPlatform().ShowMessage("Cannot read the file\n" + path, MessageCaption, MessageButtons::Ok);
        return 0;
    }
    ParameterRecord record;
    if (!ReadRecord(bytes, complete, record)) {
        ShowNotQuorvatixFile();
        return 0;
    }
    switch (record.layout) {
    case ParameterLayout::Text:
        ApplyTextRecord(record, path);
        break;
    case ParameterLayout::Deep:
        ApplyDeepRecord(record, path, true);
        break;
    default:
        ApplyExtendedRecord(record, path);
        break;
    }
    return 1;
}

int ReadFdzFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    bool complete = false;
    ParameterRecord record;
    if (!ReadFileHead(path, bytes, complete) || !ReadDeepLayout(bytes, complete, record)) {
        ShowNotQuorvatixFile();
        return 0;
    }
    ApplyDeepRecord(record, path, true);
    return 1;
}

bool PeekParameterHeader(const std::string& path, int32_t& shownIsMandelbrot, int32_t& shownPrecision)
{
    std::vector<uint8_t> bytes;
    bool complete = false;
    ParameterRecord record;
    if (path.empty() || !ReadFileHead(path, bytes, complete) || !ReadRecord(bytes, complete, record))
        return false;
    const bool deep = (record.layout == ParameterLayout::Text || record.layout == ParameterLayout::Deep)
                      && record.DeepZoom != 0;
    shownIsMandelbrot = IsMandelbrot(record.FractalFlags) ? 1 : 0;
    shownPrecision = deep ? record.PrecisionBits : ShallowPrecision;
    return true;
}

void SaveFractalCommand()
{
    const bool deep = State.DeepZoom == 1;
    const FileDialogRequest request{"SAVE PARAMETERS", deep ? DeepFractalFilter : FractalFilter,
                                    deep ? "FDZ" : "FRA", ""};
    const std::string path = CurrentPlatform().AskSaveFile(request);
    if (path.empty())
        return;
    if (!SaveParameterFile(path)) {
        CurrentPlatform().ShowMessage("The file\n" + path + "\ncould not be saved.", MessageCaption,
                                      MessageButtons::Ok);
        return;
    }
    State.ParamFileName = path;
    ShowFileTitle(path);
}

void LoadFractalCommand()
{
    const FileDialogRequest request{"LOAD PARAMETERS", LoadFilter, "FDZ", ""};
    const std::string path = CurrentPlatform().AskOpenFile(request);
    // A cancelled or refused load keeps the title of the picture still shown.
    if (LoadParameterFile(path) == 1)
        State.TitleFileName = path;
}
