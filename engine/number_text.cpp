#include "engine/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string NumberText(long double value, int significantDigits)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Lg", significantDigits, value);
    std::string text = buffer;
    const size_t e = text.find('e');
    if (e != std::string::npos) {
        // "1.5e-05" -> "1.5E-5"
        std::string mantissa = text.substr(0, e);
        const char sign = text[e + 1];
        size_t digits = e + 2;
        while (digits + 1 < text.size() && text[digits] == '0')
            ++digits;
        text = mantissa + "E" + sign + text.substr(digits);
    }
    if (!std::signbit(value) || std::isnan(value))
        text.insert(text.begin(), ' ');
    return text;
}

long double ReadNumberText(const std::string& text)
{
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    // strtold would also take "inf", "nan" and hexadecimal forms.
    const char first = begin[0] == '-' || begin[0] == '+' ? begin[1] : begin[0];
    if (!((first >= '0' && first <= '9') || first == '.'))
        return 0;
    const long double value = std::strtold(begin, nullptr);
    return std::isfinite(value) ? value : 0;
}
