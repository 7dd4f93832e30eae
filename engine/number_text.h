#pragma once
#include <string>

// The program's number-to-text conversion: up to `significantDigits`
// significant digits, a blank in place of the sign for values that are not
// negative, and an exponent as E-20 / E+25 where one is needed.
std::string NumberText(long double value, int significantDigits);
