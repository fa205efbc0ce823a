// The run's clock: the elapsed time since construction as hh:mm:ss, and the current local date as
// the 24-character calendar text used in the banner and in the headers of written files.
#pragma once

#include <ctime>

class CStopwatch {
public:
    CStopwatch();

    // Each text stays valid until the next call of the same operation or the end of the object.
    const char* ElapsedText();
    const char* DateText();

    // The elapsed text of a number of seconds; hours are not reduced modulo 24.
    static void FormatElapsed(long long seconds, char* text, int size);

private:
    std::time_t startTime;
    char elapsedText[64];
    char dateText[25];
};
