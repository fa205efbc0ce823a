// The one place where numbers of the program's files become text, one function per format.
// Each writes exactly the characters that the standard formatted output gives for its format,
// followed by a terminator, and returns the number of characters written.
#pragma once

// Room for any double in any of the formats below, terminator included.
constexpr int numberTextSize = 400;

int FormatInteger(int value, char* text);       // "%d"
int FormatFixed(double value, char* text);      // "%f"
int FormatGeneral(double value, char* text);    // "%g"
int FormatRoundTrip(double value, char* text);  // "%.17g"
