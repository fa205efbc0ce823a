// The application object: one run performs exactly one command, chosen by the switch in the
// first argument. Start sequences the run and passes every status code through unchanged.
#pragma once

#include <string>

class Kavoral {
public:
    // 0 after a successful command, otherwise the negative status of the step that failed.
    int Start(int argc, const char* const* argv);

    // The usage text the program prints, made from its command table.
    static std::string UsageText();

private:
    const char* className = "Kavoral";
};
