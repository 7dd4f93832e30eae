#include "cli/parameter_input.h"

#include <cstdio>
#include <vector>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "files/byte_buffer.h"
#include "files/image_parameter_file.h"
#include "files/image_parameter_record.h"
#include "files/parameter_file.h"

namespace {

std::string LayoutName(const ParameterRecord& record)
{
    switch (record.layout) {
    case ParameterLayout::Legacy1: return "L1";
    case ParameterLayout::Legacy2: return "L2";
    case ParameterLayout::Legacy3: return "L3";
    case ParameterLayout::Legacy4: return record.tag == ExtendedLayoutTag ? "+" : "L4";
    case ParameterLayout::Text: return "2";
    case ParameterLayout::Deep: return "7";
    }
    return "?";
}

std::string ExtendedText(long double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.21Lg", value);
    return text;
}

}  // namespace

std::string LoadAnyParameterFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    ReadWholeFile(path, bytes);
    // A file with picture starts with a valid parameter part, so it is tried first.
    ImageParameterRecord image;
    if (ReadImageParameterRecord(bytes, image))
        return LoadImageParameterFile(path) == 1 ? (image.parameters.tag == DeepLayoutTag ? "fpz" : "fpi") : "";
    ParameterRecord record;
    const bool known = ReadParameterRecord(bytes, record);
    // A text-layout file longer than its parameters claims a picture: a
    // damaged picture refuses the file instead of being dropped silently.
    if (known && record.layout == ParameterLayout::Text &&
        bytes.size() > TextLayoutSize(record.FractalFlags))
        return LoadImageParameterFile(path) == 1 ? "fpi" : "";
    if (LoadParameterFile(path) != 1)
        return "";
    return known ? LayoutName(record) : "?";
}

void PrintParameterInfo(std::ostream& out, const std::string& layout, bool withPicture)
{
    const bool mandelbrot = IsMandelbrot(State.FractalFlags);
    const char mode = DrawingModeChar(State.FractalFlags);
    char number[64];
    auto exact = [&number](double value) {
        std::snprintf(number, sizeof number, "%.17g", value);
        return std::string(number);
    };
    out << "layout=" << (layout.empty() ? "none" : layout) << "\n";
    out << "kind=" << (mandelbrot ? "Mandelbrot" : "Julia") << "\n";
    out << "FractalFlags=" << State.FractalFlags << "\n";
    out << "mode=" << (mode ? std::string(1, mode) : std::string()) << "\n";
    out << "IterMax=" << State.IterMax << "\n";
    out << "Bailout=" << exact(State.Bailout) << "\n";
    out << "PotValue=" << exact(State.PotValue) << "\n";
    out << "ColorOptions=" << State.ColorOptions << "\n";
    out << "DeepZoom=" << State.DeepZoom << "\n";
    out << "PrecisionBits=" << State.PrecisionBits << "\n";
    out << "PaletteGen=";
    for (size_t k = 0; k < State.PaletteGen.size(); ++k) {
        std::snprintf(number, sizeof number, "%.9g", static_cast<double>(State.PaletteGen[k]));
        out << (k ? "," : "") << number;
    }
    out << "\n";
    out << "PaletteHSL=" << State.PaletteHSL << "\nPaletteInverse=" << State.PaletteInverse
        << "\nPaletteReverse=" << State.PaletteReverse << "\nPaletteExp2=" << State.PaletteExp2
        << "\nPaletteExp3=" << State.PaletteExp3 << "\nPaletteOffset=" << State.PaletteOffset << "\n";
    if (withPicture)
        out << "PicWidth=" << State.PicWidth << "\nPicHeight=" << State.PicHeight << "\n";

    // The arbitrary-precision values are the master copy of a deep view; an
    // extended view is shown with enough digits to give back its 64 bits.
    struct ViewLine {
        const char* name;
        const BigFloat* big;
        long double extended;
    };
    const std::vector<ViewLine> view =
        mandelbrot ? std::vector<ViewLine>{{"Realmin", &BigRealmin, State.Realmin},
                                           {"Realmax", &BigRealmax, State.Realmax},
                                           {"Imagmin", &BigImagmin, State.Imagmin},
                                           {"Imagmax", &BigImagmax, State.Imagmax}}
                   : std::vector<ViewLine>{{"JuliaRealmin", &BigJuliaRealmin, State.JuliaRealmin},
                                           {"JuliaRealmax", &BigJuliaRealmax, State.JuliaRealmax},
                                           {"JuliaImagmin", &BigJuliaImagmin, State.JuliaImagmin},
                                           {"JuliaImagmax", &BigJuliaImagmax, State.JuliaImagmax},
                                           {"JuliaRe", &BigJuliaRe, State.JuliaRe},
                                           {"JuliaIm", &BigJuliaIm, State.JuliaIm}};
    for (const ViewLine& line : view)
        out << line.name << "="
            << (State.DeepZoom == 1 ? BigFloatText(*line.big, nullptr) : ExtendedText(line.extended)) << "\n";
}
