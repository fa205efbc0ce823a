// Checks shared by the tests of the data files.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace test {

// Exactly one error report was written while `capture` lived, and it is this one.
inline void ExpectFileReport(const ConsoleCapture& capture, const std::string& function,
                             const std::string& message, const std::string& comment = "") {
    EXPECT_EQ(capture.Reports(), 1);
    EXPECT_EQ(capture.text, ErrorBlock("CFileIO", function, message, comment));
}

}  // namespace test
