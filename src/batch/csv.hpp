#pragma once
// The comma-separated files the batch reads and writes: summaries, their
// shard parts, and designs. Fields with a comma, a quote or a line break are
// quoted, quotes doubled, as spreadsheets and statistics packages expect.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::batch {

// The field as written in a CSV record.
std::string CsvField(std::string_view text);

// One record of a CSV text: its fields unquoted, and the line it starts on.
struct CsvRecord {
    std::vector<std::string> fields;
    int line = 0;
};

// Splits a CSV text into records (line ends CR LF or LF; a quoted field may
// hold line breaks). Blank lines are skipped. Returns a message for a quote
// left open, naming the line it opened on, instead.
std::optional<std::string> ParseCsv(std::string_view text, std::vector<CsvRecord>& records);

// Splits a CSV text into its records as written, without their line ends (a
// quoted line break stays inside its record); the bytes of each are kept.
// Returns nothing when a quote is left open.
std::optional<std::vector<std::string_view>> CsvRecordTexts(std::string_view text);

}  // namespace velmor::batch
