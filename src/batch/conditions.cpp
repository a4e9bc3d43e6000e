#include "batch/conditions.hpp"

#include <algorithm>
#include <filesystem>

#include "batch/plain_text.hpp"
#include "batch/study_keys.hpp"
#include "batch/summary.hpp"

namespace velmor::batch {

namespace {

// The version of what a completion record means; a change in what a
// condition writes must change it.
constexpr std::string_view kRecordMeaning = "velmor-batch condition 1";

void AddSection(Digest& digest, const char* name, const StudySection& section) {
    digest.add(name);
    for (const auto& [key, value] : section) {
        digest.add(key);
        digest.add(value.text);
    }
}

}  // namespace

void Digest::add(std::string_view text) {
    // Each text ends with a byte no text holds, so that "ab","c" and "a","bc" differ.
    for (const char c : text) {
        hash_ ^= static_cast<unsigned char>(c);
        hash_ *= 1099511628211ull;
    }
    hash_ ^= 0xFF;
    hash_ *= 1099511628211ull;
}

std::string Digest::hex(std::uint64_t value) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kHex[value & 15];
    return text;
}

ConditionList::ConditionList(std::vector<BatchInput> inputs) : inputs_(std::move(inputs)) {
    for (const BatchInput& input : inputs_) {
        starts_.push_back(total_);
        std::vector<std::string> columns;
        if (auto* grid = std::get_if<StudyGrid>(&input.source)) {
            total_ += grid->count();
            columns = grid->factorColumns();
        } else if (auto* design = std::get_if<Design>(&input.source)) {
            total_ += design->count();
            for (const DesignColumn& column : design->columns) columns.push_back(column.name);
        } else {
            total_ += 1;
        }
        for (const std::string& column : columns)
            if (std::find(columns_.begin(), columns_.end(), column) == columns_.end())
                columns_.push_back(column);
    }
}

std::pair<std::size_t, std::size_t> ConditionList::locate(std::size_t i) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), i);
    const auto input = static_cast<std::size_t>(after - starts_.begin()) - 1;
    return {input, i - starts_[input]};
}

std::string ConditionList::name(std::size_t i) const {
    const auto [input, k] = locate(i);
    const BatchInput& in = inputs_[input];
    if (auto* grid = std::get_if<StudyGrid>(&in.source)) return grid->conditionName(k);
    if (auto* design = std::get_if<Design>(&in.source)) return design->conditionName(k);
    return std::filesystem::path(in.file).stem().string();
}

const std::vector<StudyError>& ConditionList::errors(std::size_t i) const {
    static const std::vector<StudyError> kNone;
    const auto* errors = std::get_if<std::vector<StudyError>>(&inputs_[locate(i).first].source);
    return errors ? *errors : kNone;
}

Study ConditionList::study(std::size_t i) const {
    const auto [input, k] = locate(i);
    const BatchInput& in = inputs_[input];
    Study study = std::holds_alternative<StudyGrid>(in.source)
                      ? std::get<StudyGrid>(in.source).condition(k)
                      : std::get<Design>(in.source).condition(k);
    // By default every condition starts from the study's seed, so that
    // neighbouring cells share their random numbers (common random numbers).
    // `[run] seeds = independent` gives each its own seed instead, derived
    // from the study's seed and the condition's place in its grid, and
    // written as the condition's seed, so that the summary's seed column
    // reruns a cell by hand.
    const StudyValue* seeds = Study::find(study.run, KeyName(StudyKey::ConditionSeeds));
    if (seeds && Lowercase(seeds->text) == "independent") {
        const StudyValue* seed = Study::find(study.run, KeyName(StudyKey::Seed));
        StudyValue derived{std::to_string(ConditionSeed(seed ? seed->text : kDefaultSeedText, k)),
                           seed ? seed->line : seeds->line};
        study.run[std::string(KeyName(StudyKey::Seed))] = std::move(derived);
    }
    return study;
}

std::int32_t ConditionSeed(std::string_view studySeed, std::size_t index) {
    // SplitMix64's finaliser over the seed's text and the index: a change of
    // either gives an unrelated seed. The result is a seed the window takes
    // as it stands: 1 to 2147483647.
    Digest digest;
    digest.add(studySeed);
    std::uint64_t z =
        digest.value() + 0x9E3779B97F4A7C15ull * (static_cast<std::uint64_t>(index) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<std::int32_t>(z % 2147483647u) + 1;
}

std::vector<std::string> ConditionList::factorCells(std::size_t i) const {
    const auto [input, k] = locate(i);
    const BatchInput& in = inputs_[input];
    std::vector<std::string> cells;
    for (const std::string& column : columns_) {
        if (auto* grid = std::get_if<StudyGrid>(&in.source))
            cells.push_back(grid->cell(k, column));
        else if (auto* design = std::get_if<Design>(&in.source))
            cells.push_back(design->cell(k, column));
        else
            cells.emplace_back();
    }
    return cells;
}

std::uint64_t ConditionList::fingerprint(std::size_t i, const OutputOptions& output) const {
    Digest digest;
    digest.add(kRecordMeaning);
    // Another version may compute or write differently: its files are not
    // this version's.
    digest.add(VELMOR_VERSION);
    digest.add(SummaryHeader({}));
    digest.add(name(i));
    digest.add(output.outDir.empty() ? "report to standard output" : "report");
    digest.add(output.data ? "data" : "");
    digest.add(output.means ? "means" : "");
    if (!errors(i).empty()) {
        for (const StudyError& e : errors(i)) digest.add(e.text());
        return digest.value();
    }
    const Study s = study(i);
    for (int g = 0; g < 3; ++g) AddSection(digest, "group", s.groups[g]);
    AddSection(digest, "run", s.run);
    if (s.search) AddSection(digest, "search", *s.search);
    return digest.value();
}

}  // namespace velmor::batch
