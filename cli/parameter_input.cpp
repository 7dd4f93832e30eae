#include "cli/parameter_input.h"

#include <cstdio>
#include <vector>

#include "engine/big_view.h"
#include "engine/fractal_state.h"
#include "engine/view_texts.h"
#include "files/any_parameter_file.h"

namespace {

std::string ExtendedText(long double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.21Lg", value);
    return text;
}

}  // namespace

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
