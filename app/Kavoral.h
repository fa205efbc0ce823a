// The application object: one run performs exactly one command, chosen by the switch in the
// first argument. Start sequences the run and passes every status code through unchanged.
#pragma once

class Kavoral {
public:
    // 0 after a successful command, otherwise the negative status of the step that failed.
    int Start(int argc, const char* const* argv);

private:
    const char* className = "Kavoral";
};
