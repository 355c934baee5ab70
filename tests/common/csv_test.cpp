// CSV fields: quoting as RFC 4180 has it, and text a spreadsheet would run as a formula written so
// that it shows as text.
#include "common/csv.h"

#include <gtest/gtest.h>

TEST(CsvField, QuotesSeparatorsQuotesAndLineBreaks)
{
    const std::pair<const char *, const char *> cases[] = {{"A1", "A1"},
                                                           {"", ""},
                                                           {"a,b", "\"a,b\""},
                                                           {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                           {"a\nb", "\"a\nb\""},
                                                           // Not text fields: a number keeps its sign.
                                                           {"-2.5", "-2.5"}};
    for (const auto &[text, field] : cases)
        EXPECT_EQ(common::csvField(text), field) << text;
}

TEST(CsvTextField, TextThatASpreadsheetWouldRunGetsAnApostrophe)
{
    const std::pair<const char *, const char *> cases[] = {
        {"=cmd|' /C calc'!A0", "\"'=cmd|' /C calc'!A0\""},
        {"+1", "\"'+1\""},
        {"-2", "\"'-2\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tx", "\"'\tx\""},
        {"\r=1", "\"'\r=1\""},
        {"=a,\"b\"", "\"'=a,\"\"b\"\"\""},
        // Only the first character counts; other text is written as csvField writes it.
        {"A=1", "A=1"},
        {"Picea, abies", "\"Picea, abies\""},
        {"", ""}};
    for (const auto &[text, field] : cases)
        EXPECT_EQ(common::csvTextField(text), field) << text;
}
