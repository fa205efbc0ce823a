#include "base/Stopwatch.h"

#include <cstdio>
#include <cstring>

CStopwatch::CStopwatch() : startTime(std::time(nullptr)), elapsedText{}, dateText{} {}

void CStopwatch::FormatElapsed(long long seconds, char* text, int size) {
    const long long hours = seconds / 3600;
    const long long minutes = (seconds - 3600 * hours) / 60;
    const long long rest = seconds - 3600 * hours - 60 * minutes;
    std::snprintf(text, static_cast<size_t>(size), "%02lld:%02lld:%02lld", hours, minutes, rest);
}

const char* CStopwatch::ElapsedText() {
    const long long seconds = static_cast<long long>(std::difftime(std::time(nullptr), startTime));
    FormatElapsed(seconds, elapsedText, sizeof elapsedText);
    return elapsedText;
}

const char* CStopwatch::DateText() {
    // The calendar text "Www Mmm dd hh:mm:ss yyyy", with the day of the month zero-padded.
    static const char* const weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr || local.tm_wday < 0 || local.tm_wday > 6 ||
        local.tm_mon < 0 || local.tm_mon > 11 || local.tm_year + 1900 > 9999) {
        std::memset(dateText, '?', 24);
        dateText[24] = '\0';
        return dateText;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d", weekdays[local.tm_wday],
                  months[local.tm_mon], local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  local.tm_year + 1900);
    std::memcpy(dateText, text, 24);
    dateText[24] = '\0';
    return dateText;
}
