// Reading numbers out of a line of text, as the standard formatted scan reads them: leading white
// space is skipped, a number that cannot be read is an error, and whatever follows is left for
// the next read. Plain decimals take a fast exact path; every other form goes to the standard
// conversion.
#pragma once

#include <cstddef>

// Reads a decimal integer ("%d"). Returns the text after it, or null when there is no integer or it
// does not fit an int.
const char* ScanInt(const char* text, int& value);

// Reads any number the standard text-to-double conversion takes ("%lf"): decimals, exponent
// notation, hexadecimal, infinity and NaN. Returns the text after it, or null when there is none.
const char* ScanDouble(const char* text, double& value);

// The length of the decimal number at the start of `text`, looking at no more than `available`
// characters: [sign] digits [. digits] [e|E [sign] digits] with at least one digit, the exponent
// taken only when it has a digit. 0 when the text does not start with such a number.
std::size_t DecimalLength(const char* text, std::size_t available);

// Reads a text that is one decimal number and nothing else, white space around it aside, as a
// finite double. False, with `value` unchanged, for anything else: no number, trailing text,
// hexadecimal, infinity, NaN, or a magnitude beyond the range of a double.
bool ParseDecimalText(const char* text, double& value);
