#include "cli/renderer.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "cli/kernel_agreement.h"
#include "cli/movie_command.h"
#include "cli/parameter_input.h"
#include "cli/exr_map.h"
#include "cli/raw_dump.h"
#include "files/any_parameter_file.h"
#include "color/coloring.h"
#include "color/display.h"
#include "color/palette_file.h"
#include "color/drawing_modes.h"
#include "color/palette_generation.h"
#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/supersampling.h"
#include "engine/view_texts.h"
#include "files/image_parameter_file.h"
#include "files/parameter_file.h"
#include "files/picture_export.h"
#include "frame/fast_deep_pixels.h"
#include "frame/frame_driver.h"
#include "frame/startup.h"
#include "frame/supersampled_frame.h"
#include "platform/headless_platform.h"

namespace {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A file that could not be read or written; the reason is already shown.
struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ".fra", ".fdz", ".fpi" or ".fpz" in lower case, or empty.
std::string ParameterExtension(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".fra" || extension == ".fdz" || extension == ".fpi" || extension == ".fpz" ? extension
                                                                                                    : std::string();
}

// How many values follow an option; unknown options are reported later.
int OptionValueCount(const std::string& option)
{
    static const std::map<std::string, int> counts = {
        {"--size", 1},    {"--threads", 1},      {"--mode", 1},         {"--options", 1},
        {"--iter", 1},    {"--bailout", 1},      {"--potvalue", 1},     {"--julia", 2},
        {"--view", 4},    {"--center", 3},       {"--precision", 1},    {"--palette-gen", 1},
        {"--offset", 1},  {"--palette-switches", 1}, {"-o", 1},         {"--raw", 1},
        {"--palette", 1}, {"--save", 1},         {"--save-palette", 1}, {"--thumbnail", 1},
        {"--movie", 1},   {"--unzoom", 1},       {"--encode", 1},       {"--extra-precision", 1},
        {"--supersample", 1}, {"--tile", 1},     {"--exr", 1},
    };
    const auto found = counts.find(option);
    return found == counts.end() ? 0 : found->second;
}

// The argument after --frames is its range, unless it is the next option or
// the parameter file.
bool IsFrameRange(const std::string& argument)
{
    const bool option = argument.size() > 1 && argument[0] == '-' &&
                        (argument[1] == '-' || std::isalpha(static_cast<unsigned char>(argument[1])));
    return !argument.empty() && !option && ParameterExtension(argument).empty();
}

bool CarriesPicture(const std::string& path)
{
    const std::string extension = ParameterExtension(path);
    return extension == ".fpi" || extension == ".fpz";
}

bool SaveParametersByExtension(const std::string& path)
{
    const std::string extension = ParameterExtension(path);
    if (extension == ".fra")
        return SaveFraFile(path);
    if (extension == ".fdz")
        return SaveFdzFile(path);
    if (extension == ".fpi")
        return SaveFpiFile(path);
    return SaveFpzFile(path);
}

// Shows the share of rows done on a terminal, and the messages the loaders
// and savers would show in a box as lines on the error stream.
class TerminalPlatform : public HeadlessPlatform {
public:
    TerminalPlatform(std::ostream& err, bool showProgress) : err_(err), showProgress_(showProgress) {}
    ~TerminalPlatform() override { EndProgressLine(); }
    void ShowProgress(int32_t percent) override
    {
        if (!showProgress_)
            return;
        progressShown_ = true;
        err_ << "\rComputing " << percent << "%" << std::flush;
    }
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                              MessageButtons buttons) override
    {
        EndProgressLine();
        std::string line = text;
        for (char& c : line)
            if (c == '\n' || c == '\r')
                c = ' ';
        err_ << "quorvatix-render: " << line << "\n";
        return HeadlessPlatform::ShowMessage(text, caption, buttons);
    }

private:
    void EndProgressLine()
    {
        if (progressShown_)
            err_ << "\r              \r" << std::flush;
        progressShown_ = false;
    }
    std::ostream& err_;
    bool showProgress_;
    bool progressShown_ = false;
};

class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform* platform) : previous_(InstallPlatform(platform)) {}
    ~ScopedPlatform() { InstallPlatform(previous_); }

private:
    Platform* previous_;
};

long double ParseExtended(const std::string& option, const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long double value = std::strtold(begin, &end);
    if (text.empty() || end != begin + text.size() || !std::isfinite(value))
        throw UsageError(option + ": '" + text + "' is not a number");
    return value;
}

double ParseDouble(const std::string& option, const std::string& text)
{
    const double value = static_cast<double>(ParseExtended(option, text));
    if (!std::isfinite(value))
        throw UsageError(option + ": " + text + " is out of range");
    return value;
}

float ParseFloat(const std::string& option, const std::string& text)
{
    const float value = static_cast<float>(ParseDouble(option, text));
    if (!std::isfinite(value))
        throw UsageError(option + ": " + text + " is out of range");
    return value;
}

int32_t ParseInt(const std::string& option, const std::string& text, long long low, long long high)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (text.empty() || end != begin + text.size() || errno == ERANGE)
        throw UsageError(option + ": '" + text + "' is not a whole number");
    if (value < low || value > high)
        throw UsageError(option + ": " + text + " is outside " + std::to_string(low) + ".." +
                         std::to_string(high));
    return static_cast<int32_t>(value);
}

// A coordinate text as typed; checked here so that a typo is reported
// instead of leaving the view as it was.
std::string NumberTextValue(const std::string& option, const std::string& text)
{
    BigFloat probe(64);
    if (text.empty() || !ReadBigFloatText(text, probe))
        throw UsageError(option + ": '" + text + "' is not a number");
    return text;
}

// Whether two texts read as the same value.
bool SameValue(const std::string& first, const std::string& second)
{
    // Read with every digit the texts give (a decimal digit is less than four
    // bits): edges of a deep view differ only in their last digits.
    const int32_t bits = std::max<int32_t>(
        State.PrecisionBits, static_cast<int32_t>(std::min<size_t>(4 * std::max(first.size(), second.size()) + 64,
                                                                    static_cast<size_t>(MaxPrecisionBits))));
    BigFloat a(bits), b(bits);
    ReadBigFloatText(first, a);
    ReadBigFloatText(second, b);
    return mpf_cmp(a.get(), b.get()) == 0;
}

// One value of the Julia group in all three forms, each from the text.
void SetJuliaValue(std::string& text, BigFloat& big, long double& extended, const std::string& value)
{
    text = value;
    ReadBigFloatText(value, big);
    extended = ReadExtendedText(value);
}

// As ticking "Deep zoom" while it is off.
void TickDeepZoom()
{
    if (State.DeepZoom == 1)
        return;
    ExtendedToBigFloats();
    State.DeepZoom = 1;
}

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ','))
        items.push_back(item);
    return items;
}

// Names of a comma list, each one bit; "none" clears them all.
int32_t ParseFlagList(const std::string& option, const std::string& text,
                      const std::map<std::string, int32_t>& names)
{
    if (text == "none")
        return 0;
    int32_t bits = 0;
    for (const std::string& item : SplitList(text)) {
        const auto found = names.find(item);
        if (found == names.end())
            throw UsageError(option + ": unknown name '" + item + "'");
        bits |= found->second;
    }
    return bits;
}

int32_t ModeEntry(const std::string& text)
{
    static const std::string characters = "0123456789ABCDEFGHIJKLMNOPQR";
    if (text.size() == 1) {
        const size_t entry = characters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
        if (entry != std::string::npos)
            return static_cast<int32_t>(entry);
    }
    throw UsageError("--mode: '" + text + "' is not a drawing mode 0..9 or A..R");
}

// Larger pictures are posters, computed in tiles (--tile).
constexpr int32_t MaxPictureSide = 16384;
constexpr int32_t MaxPosterSide = 65536;

bool IsPosterSize()
{
    return State.PicWidth > MaxPictureSide || State.PicHeight > MaxPictureSide;
}

void SetPictureSize(const std::string& text)
{
    const size_t x = text.find('x');
    if (x == std::string::npos)
        throw UsageError("--size: '" + text + "' is not WIDTHxHEIGHT");
    const int32_t width = ParseInt("--size", text.substr(0, x), 1, MaxPosterSide);
    const int32_t height = ParseInt("--size", text.substr(x + 1), 1, MaxPosterSide);
    State.PicWidth = width;
    State.PicHeight = height;
    // A poster's buffers are its bands'.
    if (!IsPosterSize())
        Results.Allocate(width, height);
}

struct Tile {
    int32_t index = 0;  // 1..count; 0: the whole picture
    int32_t count = 0;
};

Tile ParseTile(const std::string& text)
{
    const size_t slash = text.find('/');
    if (slash == std::string::npos)
        throw UsageError("--tile: '" + text + "' is not I/N");
    Tile tile;
    tile.count = ParseInt("--tile", text.substr(slash + 1), 1, MaxPosterSide);
    tile.index = ParseInt("--tile", text.substr(0, slash), 1, tile.count);
    return tile;
}

struct Outputs {
    std::string picture;
    std::string raw;
    std::string exr;
    std::string thumbnail;
    std::string parameters;  // --save
    std::string palette;     // --save-palette
    bool info = false;
    bool deepRequested = false;
    bool agreement = false;
    int32_t extraPrecisionBits = 0;  // beyond what the view calls for, arbitrary-precision frames only
    MovieOptions movie;
    std::string encodeFolder;  // --encode, with -o naming the video
    Tile tile;
    bool NeedFrame() const
    {
        return !picture.empty() || !raw.empty() || !exr.empty() || !thumbnail.empty() || CarriesPicture(parameters);
    }
};

class OptionReader {
public:
    explicit OptionReader(const std::vector<std::string>& arguments) : arguments_(arguments) {}
    bool Done() const { return next_ >= arguments_.size(); }
    std::string Take() { return arguments_[next_++]; }
    bool NextIsFrameRange() const { return !Done() && IsFrameRange(arguments_[next_]); }
    std::string Value(const std::string& option)
    {
        if (Done())
            throw UsageError(option + " needs a value");
        return Take();
    }

private:
    const std::vector<std::string>& arguments_;
    size_t next_ = 0;
};

void ApplyOption(const std::string& option, OptionReader& reader, Outputs& outputs)
{
    if (option == "--size") {
        SetPictureSize(reader.Value(option));
    } else if (option == "--threads") {
        State.ThreadCount = ParseInt(option, reader.Value(option), 1, 1024);
        State.MultiThreaded = State.ThreadCount > 1 ? 1 : 0;
    } else if (option == "--mode") {
        ChooseDrawingMode(ModeEntry(reader.Value(option)));
    } else if (option == "--options") {
        const int32_t bits = ParseFlagList(option, reader.Value(option),
                                           {{"inside", 1}, {"smooth", 2}, {"potential", 4}});
        State.ColorOptions = (State.ColorOptions & ~7) | bits;
    } else if (option == "--iter") {
        State.IterMax = ParseInt(option, reader.Value(option), 0, 2147483647);
    } else if (option == "--bailout") {
        State.Bailout = ParseDouble(option, reader.Value(option));
    } else if (option == "--potvalue") {
        State.PotValue = ParseDouble(option, reader.Value(option));
    } else if (option == "--julia") {
        const std::string re = NumberTextValue(option, reader.Value(option));
        const std::string im = NumberTextValue(option, reader.Value(option));
        State.FractalFlags = (State.FractalFlags | 2) & ~1;
        SetJuliaValue(Texts.JuliaReText, BigJuliaRe, State.JuliaRe, re);
        SetJuliaValue(Texts.JuliaImText, BigJuliaIm, State.JuliaIm, im);
        SetJuliaValue(Texts.JuliaRealminText, BigJuliaRealmin, State.JuliaRealmin, "-1.8");
        SetJuliaValue(Texts.JuliaImagminText, BigJuliaImagmin, State.JuliaImagmin, "-1.8");
        SetJuliaValue(Texts.JuliaRealmaxText, BigJuliaRealmax, State.JuliaRealmax, "1.8");
        SetJuliaValue(Texts.JuliaImagmaxText, BigJuliaImagmax, State.JuliaImagmax, "1.8");
        State.JuliaViewSet = 1;
    } else if (option == "--mandelbrot") {
        State.FractalFlags = (State.FractalFlags | 1) & ~2;
    } else if (option == "--view") {
        std::array<std::string, 4> edges;
        for (std::string& edge : edges)
            edge = NumberTextValue(option, reader.Value(option));
        if (SameValue(edges[0], edges[1]) || SameValue(edges[2], edges[3]))
            throw UsageError("--view: the view has no width or no height");
        ApplyTypedView(edges);
    } else if (option == "--center") {
        if (!IsMandelbrot(State.FractalFlags))
            throw UsageError("--center sets the Mandelbrot view: give --mandelbrot first");
        Texts.RealCenterText = NumberTextValue(option, reader.Value(option));
        Texts.ImagCenterText = NumberTextValue(option, reader.Value(option));
        Texts.MagnificationText = NumberTextValue(option, reader.Value(option));
        if (SameValue(Texts.MagnificationText, "0"))
            throw UsageError("--center: the magnification must not be 0");
        CenterToCorners();
    } else if (option == "--precision") {
        SetPrecision(ParseInt(option, reader.Value(option), 1, MaxPrecisionBits));
    } else if (option == "--deep") {
        outputs.deepRequested = true;
        TickDeepZoom();
    } else if (option == "--fast-deep") {
        State.FastDeepZoom = 1;
    } else if (option == "--adaptive-iter") {
        State.AdaptiveIterMax = 1;
    } else if (option == "--agreement") {
        outputs.agreement = true;
    } else if (option == "--extra-precision") {
        outputs.extraPrecisionBits = ParseInt(option, reader.Value(option), 0, MaxPrecisionBits);
    } else if (option == "--palette-gen") {
        const std::string text = reader.Value(option);
        const std::vector<std::string> items = SplitList(text);
        if (items.size() != 9)
            throw UsageError("--palette-gen: nine comma-separated numbers expected, got '" + text + "'");
        for (size_t k = 0; k < 9; ++k)
            State.PaletteGen[k] = ParseFloat(option, items[k]);
        GeneratePaletteRegular();
    } else if (option == "--palette-switches") {
        const int32_t bits = ParseFlagList(
            option, reader.Value(option),
            {{"hsl", 1}, {"inverse", 2}, {"reverse", 4}, {"exp2", 8}, {"exp3", 16}});
        State.PaletteHSL = (bits & 1) ? 1 : 0;
        SetPaletteInverse((bits & 2) ? 1 : 0);
        State.PaletteReverse = (bits & 4) ? 1 : 0;
        State.PaletteExp2 = (bits & 8) ? 1 : 0;
        State.PaletteExp3 = (bits & 16) ? 1 : 0;
        GeneratePaletteRegular();
    } else if (option == "--offset") {
        State.PaletteOffset = ParseInt(option, reader.Value(option), -2147483647LL - 1, 2147483647);
    } else if (option == "--palette") {
        if (!LoadPaletteFile(reader.Value(option)))
            throw FileError("the palette file was not loaded");
    } else if (option == "--save") {
        outputs.parameters = reader.Value(option);
        if (ParameterExtension(outputs.parameters).empty())
            throw UsageError("--save: the file name must end in .fra, .fdz, .fpi or .fpz");
    } else if (option == "--save-palette") {
        outputs.palette = reader.Value(option);
    } else if (option == "--info") {
        outputs.info = true;
    } else if (option == "-o") {
        outputs.picture = reader.Value(option);
    } else if (option == "--raw") {
        outputs.raw = reader.Value(option);
    } else if (option == "--exr") {
        outputs.exr = reader.Value(option);
    } else if (option == "--thumbnail") {
        outputs.thumbnail = reader.Value(option);
    } else if (option == "--unzoom") {
        const std::string text = reader.Value(option);
        const double factor = ParseDouble(option, text);
        if (factor < 1)
            throw UsageError("--unzoom: " + text + " is less than 1, which would zoom in");
        State.UnzoomFactor = ParseFloat(option, text);
    } else if (option == "--unzoom-video") {
        State.UnzoomVideo = 1;
    } else if (option == "--movie") {
        outputs.movie.folder = reader.Value(option);
    } else if (option == "--frames") {
        outputs.movie.framesGiven = true;
        outputs.movie.range = reader.NextIsFrameRange() ? reader.Take() : std::string();
    } else if (option == "--encode") {
        outputs.encodeFolder = reader.Value(option);
    } else if (option == "--supersample") {
        Supersampling = ParseInt(option, reader.Value(option), 1, MaxSupersampling);
    } else if (option == "--tile") {
        outputs.tile = ParseTile(reader.Value(option));
    } else {
        throw UsageError("unknown option '" + option + "' (see --help)");
    }
}

struct ComputedFrame {
    bool complete = false;
    int32_t deep = 0;
    int32_t precisionBits = 80;  // as the frame was computed
};

// The view as the frame will see it, whatever the order of the options.
void SettleView(const Outputs& outputs)
{
    // The renderer's frame is no start-up frame: the same options give the
    // same frame on every machine.
    State.FirstFrame = 0;
    // A view in extended form keeps it as it stands, as the desktop's frame
    // does: read back from its texts, a loaded view would move by its last bits.
    const bool extendedView = State.DeepZoom == 0;
    std::vector<long double> extended;
    for (const ViewValue& value : ViewGroup(State.FractalFlags))
        extended.push_back(State.*value.extended);
    // The picture size may have changed after the view was set.
    RefreshBigSteps();
    SyncViewTexts();
    if (extendedView && State.DeepZoom == 0) {
        size_t k = 0;
        for (const ViewValue& value : ViewGroup(State.FractalFlags))
            State.*value.extended = extended[k++];
    }
    if (outputs.deepRequested)
        TickDeepZoom();
}

// Movies make frames only, and the video is made from frames alone.
void CheckMovieOutputs(const Outputs& outputs, const std::string& parameterFile)
{
    if (!outputs.encodeFolder.empty()) {
        if (outputs.picture.empty())
            throw UsageError("--encode FOLDER needs -o MOVIE.avi");
        if (!parameterFile.empty() || outputs.movie.Requested() || !outputs.raw.empty() || !outputs.exr.empty() ||
            !outputs.thumbnail.empty() || !outputs.parameters.empty() || !outputs.palette.empty() ||
            outputs.agreement)
            throw UsageError("--encode FOLDER -o MOVIE.avi takes no parameter file and no other output");
    } else if (outputs.movie.Requested() &&
               (outputs.NeedFrame() || !outputs.parameters.empty() || outputs.agreement)) {
        throw UsageError(
            "--movie and --frames write frames only: leave out -o, --raw, --exr, --thumbnail, --save and --agreement");
    }
}

// Rows of every tile but the last, which has the rest: tiles of one height
// join on a regular grid.
int32_t TileHeight(const Tile& tile, int32_t height)
{
    return static_cast<int32_t>((int64_t{height} + tile.count - 1) / tile.count);
}

// The first row and the row count of the tile.
std::pair<int32_t, int32_t> TileRows(const Tile& tile, int32_t height)
{
    const int32_t rows = TileHeight(tile, height);
    const int32_t first = rows * (tile.index - 1);
    return {first, std::min(rows, height - first)};
}

// Supersampled pictures and tiles are computed in bands and give pictures
// only; a poster larger than one picture is only ever computed in tiles.
void CheckBandedOutputs(const Outputs& outputs)
{
    const bool tiled = outputs.tile.count > 0;
    if (tiled) {
        if (outputs.picture.empty() || !outputs.raw.empty() || !outputs.exr.empty() || !outputs.thumbnail.empty() ||
            !outputs.parameters.empty() || outputs.agreement || outputs.movie.Requested())
            throw UsageError("--tile I/N writes one band of the picture: give -o PART and no other output");
        if (int64_t{TileHeight(outputs.tile, State.PicHeight)} * (outputs.tile.count - 1) >= State.PicHeight)
            throw UsageError("--tile: a picture " + std::to_string(State.PicHeight) + " rows high has no " +
                             std::to_string(outputs.tile.count) + " bands of equal height");
    } else if (IsPosterSize() && (outputs.NeedFrame() || outputs.movie.Requested() || outputs.agreement)) {
        throw UsageError("--size beyond " + std::to_string(MaxPictureSide) +
                         " is a poster: render it in bands with --tile I/N");
    }
    if (Supersampling > 1 && (!outputs.raw.empty() || !outputs.exr.empty() || CarriesPicture(outputs.parameters) ||
                              outputs.agreement))
        throw UsageError(
            "--supersample makes pictures only: leave out --raw, --exr, --agreement and --save with a picture");
    if (State.AdaptiveIterMax == 1 && (Supersampling > 1 || tiled))
        throw UsageError("--adaptive-iter needs the whole frame at once: leave out --supersample and --tile");
}

// The view exactly as it stands, restored after a frame at a raised
// precision: that frame writes its texts back with more digits, which the
// view's own precision would read with other last bits.
class KeptView {
public:
    KeptView() : texts_(Texts), bits_(State.PrecisionBits)
    {
        for (const ViewValue& value : ViewGroup(State.FractalFlags))
            Keep(*value.big);
        Keep(BigJuliaRe);
        Keep(BigJuliaIm);
    }
    void Restore()
    {
        SetPrecision(bits_);
        Texts = texts_;
        size_t k = 0;
        for (const ViewValue& value : ViewGroup(State.FractalFlags))
            mpf_set(*value.big, *values_[k++]);
        mpf_set(BigJuliaRe, *values_[k++]);
        mpf_set(BigJuliaIm, *values_[k]);
    }

private:
    void Keep(const BigFloat& value)
    {
        values_.emplace_back(std::make_unique<BigFloat>(bits_));
        mpf_set(*values_.back(), value);
    }
    ViewTexts texts_;
    int32_t bits_;
    std::vector<std::unique_ptr<BigFloat>> values_;
};

// extraBits: added to the precision the view calls for, once the view has
// settled it (the frame's own synchronisation would undo an earlier choice).
ComputedFrame ComputeFrame(const Outputs& outputs, std::vector<int32_t>* escapeValues, int32_t extraBits)
{
    SettleView(outputs);
    const bool raised = State.DeepZoom != 0 && extraBits > 0;
    std::unique_ptr<KeptView> kept;
    if (raised) {
        kept = std::make_unique<KeptView>();
        SetPrecision(static_cast<int32_t>(std::min<int64_t>(int64_t{State.PrecisionBits} + extraBits,
                                                            MaxPrecisionBits)));
    }
    ComputedFrame frame;
    frame.deep = State.DeepZoom;
    frame.precisionBits = frame.deep ? State.PrecisionBits : 80;
    EscapeValueCapture = escapeValues;
    KernelResultsExported = escapeValues != nullptr;
    State.FrameValid = 0;
    State.PictureLocked = 0;
    Redraw();
    EscapeValueCapture = nullptr;
    KernelResultsExported = false;
    if (kept)
        kept->Restore();
    frame.complete = State.FrameValid == 1;
    return frame;
}

// The supersampled picture, or a tile of the picture, computed in bands
// and written; the exit status.
int WriteBandedPicture(const Outputs& outputs, std::ostream& err)
{
    const int32_t n = Supersampling;
    AtSupersampledSize(n, [&outputs] { SettleView(outputs); });
    SupersampledPicture picture;
    const auto [first, rows] =
        outputs.tile.count > 0 ? TileRows(outputs.tile, State.PicHeight) : std::make_pair(0, State.PicHeight);
    if (!ComputePictureRows(n, first, rows, picture)) {
        err << "quorvatix-render: the frame was not computed\n";
        return 1;
    }
    if (!outputs.thumbnail.empty() && !SaveThumbnail(outputs.thumbnail)) {
        err << "quorvatix-render: cannot write thumbnail " << outputs.thumbnail
            << " (unknown extension or unwritable folder)\n";
        return 1;
    }
    FrameImage.pixels = std::move(picture.exported);
    if (!outputs.picture.empty() && !SaveShownPicture(outputs.picture)) {
        err << "quorvatix-render: cannot write picture " << outputs.picture
            << " (unknown extension or unwritable folder)\n";
        return 1;
    }
    return 0;
}

// The kernel results of the frame with what describes it: the kind, the
// drawing mode and its kernel variant, IterMax, the arithmetic and the view
// as full-precision texts.
ExrMap FrameExrMap(const ComputedFrame& frame, const std::vector<int32_t>& escapeValues,
                   std::vector<float>& continuous)
{
    ExrMap map;
    map.width = State.PicWidth;
    map.height = State.PicHeight;
    map.escape = escapeValues.data();
    map.a = Results.ZReBuffer.data();
    map.b = Results.ZImBuffer.data();
    if (HasContinuousCount(DrawingModeNumber(State.FractalFlags))) {
        const ColoringConstants k = PrepareColoring();
        continuous.resize(escapeValues.size());
        for (size_t i = 0; i < escapeValues.size(); ++i) {
            const long double s = static_cast<long double>(map.a[i]) + static_cast<long double>(map.b[i]);
            continuous[i] = escapeValues[i] == 0 ? 0.0f : static_cast<float>(ContinuousCount(k, escapeValues[i], s));
        }
        map.continuous = continuous.data();
    }
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    map.texts = {{"kind", mandelbrot ? "Mandelbrot" : "Julia"},
                 {"drawingMode", std::string(1, DrawingModeChar(State.FractalFlags))}};
    const std::vector<std::pair<const char*, const std::string*>> view =
        mandelbrot ? std::vector<std::pair<const char*, const std::string*>>{
                         {"Realmin", &Texts.RealminText}, {"Realmax", &Texts.RealmaxText},
                         {"Imagmin", &Texts.ImagminText}, {"Imagmax", &Texts.ImagmaxText}}
                   : std::vector<std::pair<const char*, const std::string*>>{
                         {"JuliaRealmin", &Texts.JuliaRealminText}, {"JuliaRealmax", &Texts.JuliaRealmaxText},
                         {"JuliaImagmin", &Texts.JuliaImagminText}, {"JuliaImagmax", &Texts.JuliaImagmaxText},
                         {"JuliaRe", &Texts.JuliaReText}, {"JuliaIm", &Texts.JuliaImText}};
    for (const auto& [name, text] : view)
        map.texts.emplace_back(name, *text);
    map.numbers = {{"IterMax", State.IterMax},
                   {"kernelVariant", KernelVariantForMode(DrawingModeNumber(State.FractalFlags))},
                   {"deepZoom", frame.deep},
                   {"precisionBits", frame.precisionBits}};
    return map;
}

struct AgreementFrame {
    KernelResults results;
    float seconds = 0;
    DeepPath path = DeepPath::Exact;
    int32_t bits = 0;
};

AgreementFrame ComputeAgreementFrame(const Outputs& outputs, int32_t fast, int32_t extraBits)
{
    State.FastDeepZoom = fast;
    AgreementFrame computed;
    const ComputedFrame frame = ComputeFrame(outputs, &computed.results.escape, extraBits);
    if (!frame.deep)
        throw UsageError("--agreement: the view is not computed in deep zoom (add --deep)");
    if (!frame.complete)
        throw FileError("stopped");
    const size_t count = static_cast<size_t>(State.PicWidth) * State.PicHeight;
    computed.results.a.assign(Results.ZReBuffer.begin(), Results.ZReBuffer.begin() + count);
    computed.results.b.assign(Results.ZImBuffer.begin(), Results.ZImBuffer.begin() + count);
    computed.seconds = State.ElapsedSeconds;
    computed.path = State.LastDeepPath;
    computed.bits = frame.precisionBits;
    return computed;
}

// The frame computed both ways, with how far the kernel results agree; and
// the arbitrary-precision frame again at twice its precision, which tells
// the pixels it settles from those whose last bits decide them.
void PrintAgreement(const Outputs& outputs, std::ostream& out)
{
    const int32_t chosen = State.FastDeepZoom;
    const AgreementFrame exact = ComputeAgreementFrame(outputs, 0, outputs.extraPrecisionBits);
    const AgreementFrame twice = ComputeAgreementFrame(outputs, 0, outputs.extraPrecisionBits + exact.bits);
    // Last, so the state tells how the fast frame went.
    const AgreementFrame fast = ComputeAgreementFrame(outputs, 1, outputs.extraPrecisionBits);
    const int64_t exactPixels = State.ExactDeepPixels;
    const int64_t recomputedPixels = State.RecomputedDeepPixels;
    State.FastDeepZoom = chosen;
    out << "exact: " << DeepPathText(exact.path) << " at " << exact.bits << " bits, " << exact.seconds << " s\n"
        << "fast: " << DeepPathText(fast.path) << ", " << fast.seconds << " s ("
        << (fast.seconds > 0 ? exact.seconds / fast.seconds : 0) << " times faster), " << exactPixels
        << " pixels in arbitrary precision, " << recomputedPixels << " computed again with fuller tables\n";
    PrintKernelAgreement(out, CompareKernelResults(exact.results, fast.results));
    PrintSettledAgreement(out, twice.bits, CompareSettledEscapes(exact.results, twice.results, fast.results));
}

}  // namespace

std::string RendererHelpText()
{
    return R"(Usage: quorvatix-render [PARAMETER-FILE] [OPTION]...
       quorvatix-render PARAMETER-FILE [OPTION]... --movie FOLDER [--frames FIRST-LAST]
       quorvatix-render --encode FOLDER -o MOVIE.avi
Render one Mandelbrot or Julia picture, or the frames of a zoom movie, without
a window. Options are applied from left to right, each as the matching action
of the desktop program; a frame is computed only when -o, --thumbnail, --raw
or --exr asks for one, and movie frames only with --movie.

  --size WxH              picture size (default 640x480), 1..16384 each; up
                          to 65536 each for a poster rendered with --tile
  --threads N             worker threads (default: the processor count);
                          1 with a mode below P computes row by row
  --mode C                drawing mode 0..9, A..R, with its default bailout,
                          colouring options and palette
  --options LIST          colouring options exactly as LIST: comma list of
                          inside, smooth, potential; or none
  --iter N                maximum iterations per pixel
  --bailout X             bailout of the escape test
  --potvalue X            factor of "Color by potential"
  --julia RE IM           Julia set of the constant RE + IM i, view -1.8..1.8
  --mandelbrot            Mandelbrot set
  --view RMIN RMAX IMIN IMAX
                          edges of the current kind's view, as decimal texts
                          of any length; deep zoom and its precision follow
                          from the size of the view
  --center RE IM MAG      Mandelbrot view from its centre and magnification
                          (the view is 4/MAG wide and 3/MAG high)
  --precision BITS        precision of the arbitrary-precision view; a later
                          --view or --center is read at it, or at the
                          precision the view calls for where that is more
  --deep                  compute the frame in arbitrary precision even where
                          extended precision would do
  --fast-deep             compute deep frames by perturbation: a reference
                          orbit in arbitrary precision, every pixel as a small
                          difference from it in hardware floating point
  --adaptive-iter         raise IterMax (doubling) while the picture is cut off
                          by it: many pixels inside while the escaped ones
                          crowd the top of the counts; until fewer than 0.2 %
                          of the pixels change or IterMax reaches 2000000
  --agreement             compute the deep frame both ways and print the share
                          of identical escape values and the largest
                          differences of A and B; then in arbitrary precision
                          at twice the bits, and the share of identical
                          escape values over the pixels that both precisions
                          give the same (settled)
  --extra-precision BITS  compute arbitrary-precision frames with BITS more
                          than the view calls for
  --palette-gen s0,s1,s2,d0,d1,d2,e0,e1,e2
                          palette start, step and stop per channel, then
                          generate the palette
  --palette-switches LIST palette switches exactly as LIST: comma list of hsl,
                          inverse, reverse, exp2, exp3; or none; then generate
  --offset N              palette offset
  -o PICTURE              write the picture; the extension picks the type
                          (jpg, jpeg, png, bmp, tif, tiff, gif, ico)
  --supersample N         N x N samples a pixel (1..8, default 1) for -o,
                          --thumbnail and --movie: each pixel the average, in
                          linear light, of the N x N pixels of the picture N
                          times the size on the same view, computed in bands
  --tile I/N              with -o: only band I of N (1..N) of the picture:
                          rows (I-1)*R to I*R - 1 with R = ceil(H/N), the
                          last band the rest; each row identical to that row
                          of the whole picture. scripts/poster.sh renders and
                          joins the bands of a poster
  --thumbnail FILE.jpg    write the shown picture reduced to 176x144, as the
                          program's thumbnails (--size 176x144 first gives
                          the fractal browser's "MAKE THUMBNAIL" picture)
  --exr FILE.exr          write the kernel results before colouring as an
                          OpenEXR file: channels escape (uint32 pattern of
                          the stored value), A and B (float32), for the
                          generic modes continuous (the continuous escape
                          count); the kind, mode, IterMax and view as
                          header attributes
  --raw FILE              write the kernel results before colouring:
                          "QXRAW001", int32 width, height, variant, deep,
                          precision bits, then width*height int32 escape
                          values, float32 A values, float32 B values
  --palette FILE.pal      load a palette file (as "LOAD")
  --save FILE             write the parameters after the frame, in the layout
                          of the extension: .fra, .fdz, or with the computed
                          picture .fpi, .fpz
  --save-palette FILE.pal write the palette file (as "SAVE")
  --info                  print the parameters as key=value lines
  --unzoom F              unzoom factor of a movie, 1 or more (default 1.02)
  --unzoom-video          number the movie's frames outwards from the start
                          view (0.jpg, 1.jpg, ...) instead of inwards
  --movie FOLDER          after all options, write the frames of the zoom
                          movie from the view into FOLDER as "Make movie to
                          disk" does: each frame one unzoom step wider, until
                          the view is more than 16 units wide; frames are at
                          most 1920x1080; complete frames already in FOLDER
                          are kept, so running again resumes a cut-off run
  --frames [FIRST-LAST]   with --movie: only frames FIRST to LAST (from 0);
                          the frames before them are replayed, not computed.
                          Without a range: print the movie's frame count
  --encode FOLDER         make the video named by -o MOVIE.avi from a complete
                          frame folder, with the job template and the job
                          runner beside the program
  --help                  show this text

A PARAMETER-FILE (any layout: .fra, .fdz, .fpi, .fpz and older files) is
loaded before the options are applied.
)";
}

int RunRenderer(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    TerminalPlatform platform(err, &err == &std::cerr && isatty(STDERR_FILENO) == 1);
    ScopedPlatform installed(&platform);
    try {
        for (const std::string& argument : arguments) {
            if (argument == "--help" || argument == "-h") {
                out << RendererHelpText();
                return 0;
            }
        }
        const unsigned processors = std::thread::hardware_concurrency();

        // The parameter file, wherever it stands, is loaded before the options.
        std::vector<std::string> options;
        std::string parameterFile;
        for (size_t k = 0; k < arguments.size(); ++k) {
            const std::string& argument = arguments[k];
            if (argument.empty() || argument[0] != '-') {
                if (!parameterFile.empty())
                    throw UsageError("only one parameter file may be named ('" + parameterFile + "', '" +
                                     argument + "')");
                parameterFile = argument;
                continue;
            }
            options.push_back(argument);
            for (int values = OptionValueCount(argument); values > 0 && k + 1 < arguments.size(); --values)
                options.push_back(arguments[++k]);
            if (argument == "--frames" && k + 1 < arguments.size() && IsFrameRange(arguments[k + 1]))
                options.push_back(arguments[++k]);
        }
        // The engine started afresh, the parameter file loaded and the options
        // applied; a movie range starts so once more after counting the frames.
        std::string layout;
        const auto startView = [&](Outputs& applied) {
            StartUpEngine(1280, 1024, static_cast<int32_t>(processors));
            Supersampling = 1;
            layout.clear();
            if (!parameterFile.empty()) {
                layout = LoadAnyParameterFile(parameterFile);
                if (layout.empty())
                    throw FileError("the parameter file was not loaded");
            }
            OptionReader reader(options);
            while (!reader.Done()) {
                const std::string option = reader.Take();
                ApplyOption(option, reader, applied);
            }
            // Here --adaptive-iter asks for the file's view to be adapted too.
            State.LoadedIterMaxHeld = 0;
        };
        Outputs outputs;
        startView(outputs);
        CheckMovieOutputs(outputs, parameterFile);
        CheckBandedOutputs(outputs);
        if (outputs.info)
            PrintParameterInfo(out, layout, layout == "fpi" || layout == "fpz");
        if (!outputs.encodeFolder.empty())
            return RunEncodeCommand(outputs.encodeFolder, outputs.picture, err);
        if (outputs.movie.Requested()) {
            const auto startMovieView = [&] {
                Outputs applied;
                startView(applied);
                AtSupersampledSize(Supersampling, [&applied] { SettleView(applied); });
            };
            return RunMovieCommand(outputs.movie, startMovieView, out, err);
        }
        if (outputs.agreement) {
            if (State.AdaptiveIterMax == 1)
                throw UsageError("--agreement compares frames of one IterMax: leave out --adaptive-iter");
            PrintAgreement(outputs, out);
        }
        if (outputs.NeedFrame() && (Supersampling > 1 || outputs.tile.count > 0)) {
            const int status = WriteBandedPicture(outputs, err);
            if (status != 0)
                return status;
        } else if (outputs.NeedFrame()) {
            // The escape values are kept apart only for the files that hold them.
            std::vector<int32_t> escapeValues;
            const bool keepValues = !outputs.raw.empty() || !outputs.exr.empty();
            const ComputedFrame frame =
                ComputeFrame(outputs, keepValues ? &escapeValues : nullptr, outputs.extraPrecisionBits);
            if (!frame.complete) {
                err << "quorvatix-render: the frame was not computed\n";
                return 1;
            }
            if (State.AdaptiveIterMax == 1)
                err << "IterMax " << State.IterMax << "\n";
            if (!outputs.raw.empty()) {
                const RawDumpHeader header{State.PicWidth, State.PicHeight,
                                           KernelVariantForMode(DrawingModeNumber(State.FractalFlags)),
                                           frame.deep, frame.precisionBits};
                if (!WriteRawDump(outputs.raw, header, escapeValues, Results.ZReBuffer.data(),
                                  Results.ZImBuffer.data())) {
                    err << "quorvatix-render: cannot write " << outputs.raw << "\n";
                    return 1;
                }
            }
            std::vector<float> continuous;
            if (!outputs.exr.empty() && !WriteExrMap(outputs.exr, FrameExrMap(frame, escapeValues, continuous))) {
                err << "quorvatix-render: cannot write " << outputs.exr << "\n";
                return 1;
            }
            // Before the export, which rebuilds the shown picture with its own
            // rule for inside pixels: the thumbnail is the picture as shown.
            if (!outputs.thumbnail.empty() && !SaveThumbnail(outputs.thumbnail)) {
                err << "quorvatix-render: cannot write thumbnail " << outputs.thumbnail
                    << " (unknown extension or unwritable folder)\n";
                return 1;
            }
            if (!outputs.picture.empty() && !ExportPicture(outputs.picture)) {
                err << "quorvatix-render: cannot write picture " << outputs.picture
                    << " (unknown extension or unwritable folder)\n";
                return 1;
            }
        }
        // A file saved without a frame holds the pixel steps a frame of
        // this view and size would leave, as the desktop's files do.
        if (!outputs.parameters.empty() && !outputs.NeedFrame()) {
            SettleView(outputs);
            if (State.DeepZoom == 0)
                RefreshExtendedSteps();
        }
        if (!outputs.parameters.empty() && !SaveParametersByExtension(outputs.parameters)) {
            err << "quorvatix-render: cannot write " << outputs.parameters
                << (CarriesPicture(outputs.parameters) && ParameterExtension(outputs.parameters) == ".fpi"
                        ? " (unwritable, or the view needs more digits than .fpi holds: use .fpz)\n"
                        : "\n");
            return 1;
        }
        if (!outputs.palette.empty() && !SavePaletteFile(outputs.palette)) {
            err << "quorvatix-render: cannot write " << outputs.palette << "\n";
            return 1;
        }
        return 0;
    } catch (const UsageError& error) {
        err << "quorvatix-render: " << error.what() << "\n";
        return 2;
    } catch (const FileError&) {
        return 1;
    }
}
