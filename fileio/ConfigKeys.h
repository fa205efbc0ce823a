// The keys of the configuration: how the values after each key word are read, checked and stored
// in a ConfigData record. The configuration file reader and every other reader that accepts the
// same keys (the sweep program's job file) parse them here, so a key means the same everywhere.
#pragma once

#include "fileio/ConfigData.h"

// A key or a word of a key line holds at most this many characters, terminator included.
constexpr int configWordSize = 32;

enum class ConfigKeyResult {
    stored,        // the values were read, checked and stored
    unknownKey,    // the word is no configuration key; nothing changed
    missingValue,  // too few values, or a value that is not a number; nothing changed
    invalidValue,  // the values were read but are out of range; they may have been stored
};

// Copies the next word of `text` (a run of non-white-space characters after any white space)
// into `word`, which holds configWordSize characters. Returns the text after the word, or null
// when there is no word or it does not fit.
const char* NextConfigWord(const char* text, char* word);

// Turns the letters a to z of a key into capitals; nothing else changes.
void UpperCaseKey(char* key);

// Reads the values of the upper-case key from `values` (the rest of the line after the key) into
// config. Text after the last value is ignored.
ConfigKeyResult ApplyConfigKey(const char* key, const char* values, ConfigData& config);
