#pragma once
#include <string>

// The program's number-to-text conversion: up to `significantDigits`
// significant digits, a blank in place of the sign for values that are not
// negative, and an exponent as E-20 / E+25 where one is needed.
std::string NumberText(long double value, int significantDigits);

// A number typed into a field: the leading decimal number of the text (C
// notation, blanks skipped). A text that does not start with a finite number
// reads as 0, so the fields' minimum rules then apply.
long double ReadNumberText(const std::string& text);
