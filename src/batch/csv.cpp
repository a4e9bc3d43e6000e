#include "batch/csv.hpp"

namespace velmor::batch {

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::optional<std::vector<std::string_view>> CsvRecordTexts(std::string_view text) {
    std::vector<std::string_view> records;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;  // a doubled quote toggles twice
        } else if (c == '\n' && !quoted) {
            std::size_t end = i;
            if (end > start && text[end - 1] == '\r') --end;
            records.push_back(text.substr(start, end - start));
            start = i + 1;
        }
    }
    if (quoted) return std::nullopt;
    if (start < text.size()) records.push_back(text.substr(start));
    return records;
}

std::optional<std::string> ParseCsv(std::string_view text, std::vector<CsvRecord>& records) {
    records.clear();
    CsvRecord record;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;  // the record has content (a blank line has none)
    int line = 1;
    int quoteLine = 0;
    record.line = 1;
    auto endField = [&] {
        record.fields.push_back(std::move(field));
        field.clear();
    };
    auto endRecord = [&] {
        if (fieldStarted || !record.fields.empty()) {
            endField();
            records.push_back(std::move(record));
        }
        record = CsvRecord{};
        record.line = line;
        fieldStarted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        switch (c) {
            case '"':
                quoted = true;
                quoteLine = line;
                fieldStarted = true;
                break;
            case ',':
                fieldStarted = true;
                endField();
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') break;  // CR LF: the LF ends it
                field += c;
                fieldStarted = true;
                break;
            case '\n':
                ++line;
                endRecord();
                break;
            default:
                field += c;
                fieldStarted = true;
        }
    }
    if (quoted) return "line " + std::to_string(quoteLine) + ": a quote is opened and never closed";
    endRecord();
    return std::nullopt;
}

}  // namespace velmor::batch
