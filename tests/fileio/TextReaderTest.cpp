// The buffered reader under the whitespace-separated text files.
#include <gtest/gtest.h>

#include <cmath>

#include "support/TestSupport.h"
#include "fileio/TextReader.h"

namespace {

class TextReaderTest : public ::testing::Test {
protected:
    void Open(const std::string& content) {
        test::WriteFile(dir.File("input.txt"), content);
        ASSERT_TRUE(reader.Open(dir.File("input.txt").c_str()));
    }
    test::TempDir dir;
    CTextReader reader;
};

TEST_F(TextReaderTest, MissingFileDoesNotOpen) {
    EXPECT_FALSE(reader.Open(dir.File("missing").c_str()));
}

TEST_F(TextReaderTest, CommentsOnlyAtTheVeryStart) {
    Open("% one\n%two\n  7 rest of line\n% 8\n");
    reader.SkipCommentLines();
    int value = 0;
    ASSERT_TRUE(reader.ReadInt(value));
    EXPECT_EQ(value, 7);
    reader.SkipLine();
    reader.SkipCommentLines();  // a '%' line later is a comment only if asked for
    EXPECT_EQ(reader.Peek(), EOF);
}

TEST_F(TextReaderTest, BlankLineEndsTheCommentRun) {
    Open("% one\n\n% two\n5\n");
    reader.SkipCommentLines();
    int value = -1;
    EXPECT_FALSE(reader.ReadInt(value));  // stops at the '%' of the second comment
    EXPECT_EQ(value, -1);
}

TEST_F(TextReaderTest, FailedReadsAreStickyAndLeaveTheTargetUnchanged) {
    Open("12 abc 3\n");
    int value = 0;
    ASSERT_TRUE(reader.ReadInt(value));
    double number = 9.0;
    EXPECT_FALSE(reader.ReadDouble(number));
    EXPECT_FALSE(reader.ReadInt(value));
    EXPECT_EQ(number, 9.0);
    EXPECT_EQ(value, 12);
    reader.SkipLine();
    EXPECT_FALSE(reader.ReadInt(value));  // end of file
}

TEST_F(TextReaderTest, AutomaticBaseFollowsTheLeadingDigits) {
    Open("007 010 0x1F -12 008\n");
    long value = 0;
    ASSERT_TRUE(reader.ReadAutoInt(value));
    EXPECT_EQ(value, 7);
    ASSERT_TRUE(reader.ReadAutoInt(value));
    EXPECT_EQ(value, 8);
    ASSERT_TRUE(reader.ReadAutoInt(value));
    EXPECT_EQ(value, 31);
    ASSERT_TRUE(reader.ReadAutoInt(value));
    EXPECT_EQ(value, -12);
    ASSERT_TRUE(reader.ReadAutoInt(value));
    EXPECT_EQ(value, 0);  // "00" is octal zero; the 8 is left over
    ASSERT_TRUE(reader.ReadAutoInt(value));
    EXPECT_EQ(value, 8);
}

TEST_F(TextReaderTest, IntegersBeyondTheRangeFail) {
    Open("99999999999999999999 2147483648\n");
    int value = 1;
    long wide = 1;
    EXPECT_FALSE(reader.ReadAutoInt(wide));
    EXPECT_FALSE(reader.ReadInt(value));
    EXPECT_EQ(value, 1);
}

TEST_F(TextReaderTest, DecimalsTakeTheRestrictedFormOnly) {
    Open("1 -0.5 .25 3. 1.5e-3 2E+07 1e x 0x10 inf\n");
    const double expected[] = {1, -0.5, 0.25, 3.0, 1.5e-3, 2e7, 1};
    double value = 0;
    for (double wanted : expected) {
        ASSERT_TRUE(reader.ReadDecimal(value));
        EXPECT_EQ(value, wanted);
    }
    EXPECT_FALSE(reader.ReadDecimal(value));  // the 'e' without digits stays in the stream
    char c = 0;
    ASSERT_TRUE(reader.ReadChar(c));
    EXPECT_EQ(c, 'e');
    ASSERT_TRUE(reader.ReadChar(c));
    EXPECT_EQ(c, 'x');
    ASSERT_TRUE(reader.ReadDecimal(value));
    EXPECT_EQ(value, 0.0);  // "0" of "0x10"; no hexadecimal coordinates
}

TEST_F(TextReaderTest, DecimalsAreCutAfter27Characters) {
    Open("1.00000000000000000000000005\n");  // 28 characters
    double value = 0;
    ASSERT_TRUE(reader.ReadDecimal(value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(reader.ReadDecimal(value));
    EXPECT_EQ(value, 5.0);
}

TEST_F(TextReaderTest, DoublesTakeEveryFormOfTheStandardConversion) {
    Open("1e-7 -2.5E+3 0x1p-2 inf\n");
    double value = 0;
    ASSERT_TRUE(reader.ReadDouble(value));
    EXPECT_EQ(value, 1e-7);
    ASSERT_TRUE(reader.ReadDouble(value));
    EXPECT_EQ(value, -2500.0);
    ASSERT_TRUE(reader.ReadDouble(value));
    EXPECT_EQ(value, 0.25);
    ASSERT_TRUE(reader.ReadDouble(value));
    EXPECT_TRUE(std::isinf(value));
}

TEST_F(TextReaderTest, SkipLineDiscardsAtMost500Characters) {
    Open(std::string(499, 'a') + "\n7\n" + std::string(600, 'b') + "\n");
    reader.SkipLine();
    int value = 0;
    ASSERT_TRUE(reader.ReadInt(value));
    EXPECT_EQ(value, 7);
    reader.SkipLine();
    reader.SkipLine();  // 500 of the 600 characters
    char c = 0;
    ASSERT_TRUE(reader.ReadChar(c));
    EXPECT_EQ(c, 'b');
}

TEST_F(TextReaderTest, ValuesAcrossTheBufferBoundaryAreReadWhole) {
    std::string content;
    for (int i = 0; i < 100000; ++i) content += std::to_string(i) + " 0.123456789\n";
    Open(content);
    int value = 0;
    double number = 0;
    for (int i = 0; i < 100000; ++i) {
        ASSERT_TRUE(reader.ReadInt(value));
        ASSERT_EQ(value, i);
        ASSERT_TRUE(reader.ReadDouble(number));
        ASSERT_EQ(number, 0.123456789);
        reader.SkipLine();
    }
    EXPECT_EQ(reader.Peek(), EOF);
}

}  // namespace
