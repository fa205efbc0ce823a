// Reading numbers out of a line of text, as the standard formatted scan reads them: leading white
// space is skipped, a number that cannot be read is an error, and whatever follows is left for
// the next read. Plain decimals take a fast exact path; every other form goes to the standard
// conversion.
#pragma once

// Reads a decimal integer ("%d"). Returns the text after it, or null when there is no integer or it
// does not fit an int.
const char* ScanInt(const char* text, int& value);

// Reads any number the standard text-to-double conversion takes ("%lf"): decimals, exponent
// notation, hexadecimal, infinity and NaN. Returns the text after it, or null when there is none.
const char* ScanDouble(const char* text, double& value);
