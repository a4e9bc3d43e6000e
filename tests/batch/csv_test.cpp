// Quotes in the batch's CSV files: a field that holds a quote is written
// quoted with the quote doubled, and read back as the one quote it was, so a
// message or a design's name survives a round trip through a spreadsheet.
#include "batch/csv.hpp"

#include <gtest/gtest.h>

using namespace velmor::batch;

TEST(Csv, DoubledQuoteInsideAQuotedFieldIsOneQuote) {
    EXPECT_EQ(CsvField(R"(the "small" group)"), R"("the ""small"" group")");

    std::vector<CsvRecord> records;
    ASSERT_FALSE(ParseCsv("name,note\r\n\"a \"\"b\"\", c\",\"\"\"\"\r\n", records));
    ASSERT_EQ(records.size(), 2u);
    ASSERT_EQ(records[1].fields.size(), 2u);
    EXPECT_EQ(records[1].fields[0], R"(a "b", c)");
    EXPECT_EQ(records[1].fields[1], "\"");

    // What is written reads back as it was, line breaks and commas included.
    const std::string awkward = "say \"\"stop\"\",\r\nthen \"go\"";
    ASSERT_FALSE(ParseCsv(CsvField(awkward) + "," + CsvField("x") + "\n", records));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{awkward, "x"}));
    const auto texts = CsvRecordTexts(CsvField(awkward) + "\r\nnext\r\n");
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->size(), 2u);
}
