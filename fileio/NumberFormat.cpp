#include "fileio/NumberFormat.h"

#include <cstdio>

int FormatFixed(double value, char* text) {
    return std::snprintf(text, numberTextSize, "%f", value);
}

int FormatGeneral(double value, char* text) {
    return std::snprintf(text, numberTextSize, "%g", value);
}

int FormatRoundTrip(double value, char* text) {
    return std::snprintf(text, numberTextSize, "%.17g", value);
}
