#include "batch/shards.hpp"

#include <charconv>
#include <filesystem>

#include "batch/conditions.hpp"
#include "batch/csv.hpp"
#include "batch/printable.hpp"
#include "batch/sha256.hpp"

namespace velmor::batch {

namespace {

constexpr std::string_view kPartMark = "#velmor-batch summary part";

std::optional<std::uint64_t> Whole(std::string_view text) {
    std::uint64_t value = 0;
    if (text.empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct Part {
    std::string path;
    Shard shard;
    std::uint64_t conditions = 0;
    std::string digest;
    bool complete = false;
    std::string header;
    std::vector<std::string_view> rows;
    std::string bodySha256;  // as the first line says
    std::string tags;        // as the first line says
    std::string_view body;   // as it stands
};

constexpr std::size_t kTagDigits = 16;

std::string RowTag(std::string_view gridDigest, std::uint64_t condition, std::string_view row) {
    Sha256 hash;
    hash.add(gridDigest);
    hash.add(",");
    hash.add(std::to_string(condition));
    hash.add(",");
    hash.add(row);
    return hash.hex().substr(0, kTagDigits);
}

std::string Name(const std::string& path) {
    return Printable(path);
}

std::optional<std::string> ReadPart(const std::string& path, const std::string& text, Part& part) {
    const auto records = CsvRecordTexts(text);
    if (!records || records->size() < 2)
        return Name(path) + " is not a summary part of velmor-batch --shard";
    std::vector<CsvRecord> first;
    if (ParseCsv((*records)[0], first) || first.size() != 1 || first[0].fields.size() != 8 ||
        first[0].fields[0] != kPartMark)
        return Name(path) +
               " is not a summary part of velmor-batch --shard (its first line is "
               "not \"" +
               std::string(kPartMark) + ",K,N,...\")";
    const auto& f = first[0].fields;
    const auto k = Whole(f[1]), n = Whole(f[2]), conditions = Whole(f[3]);
    if (!k || !n || !conditions || *k < 1 || *k > *n ||
        (f[5] != "complete" && f[5] != "interrupted"))
        return Name(path) + " has a broken first line";
    part.path = path;
    part.shard = {*k, *n};
    part.conditions = *conditions;
    part.digest = f[4];
    part.complete = f[5] == "complete";
    part.header = std::string((*records)[1]);
    part.rows.assign(records->begin() + 2, records->end());
    part.bodySha256 = f[6];
    part.tags = f[7];
    part.body =
        std::string_view(text).substr(static_cast<std::size_t>((*records)[1].data() - text.data()));
    return std::nullopt;
}

// The name the part of another shard has beside this one.
std::string SiblingPart(const std::string& path, const Shard& shard) {
    const std::size_t at = path.rfind(".shard-");
    if (at == std::string::npos) return "its part";
    return PartPath(path.substr(0, at) + ".csv", shard);
}

std::string Of(const Shard& shard) {
    return "shard " + std::to_string(shard.index) + " of " + std::to_string(shard.count);
}

}  // namespace

std::variant<Shard, std::string> ParseShard(const std::string& text) {
    const auto slash = text.find('/');
    const std::string problem =
        "--shard needs K/N with 1 <= K <= N (or slurm), not '" + Printable(text) + "'";
    if (slash == std::string::npos) return problem;
    const auto k = Whole(std::string_view(text).substr(0, slash));
    const auto n = Whole(std::string_view(text).substr(slash + 1));
    if (!k || !n || *k < 1 || *k > *n) return problem;
    return Shard{*k, *n};
}

std::variant<Shard, std::string> SlurmShard(const std::map<std::string, std::string>& environment) {
    std::uint64_t values[3] = {};
    const char* names[3] = {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_MIN",
                            "SLURM_ARRAY_TASK_COUNT"};
    for (int v = 0; v < 3; ++v) {
        const auto it = environment.find(names[v]);
        if (it == environment.end())
            return std::string(
                       "--shard slurm needs SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_MIN and "
                       "SLURM_ARRAY_TASK_COUNT, which sbatch --array sets; ") +
                   names[v] + " is not set";
        const auto value = Whole(it->second);
        if (!value)
            return std::string("--shard slurm: ") + names[v] + " is '" + Printable(it->second) +
                   "', not a whole number";
        values[v] = *value;
    }
    const std::uint64_t id = values[0], min = values[1], count = values[2];
    if (id < min || count < 1 || id - min + 1 > count)
        return "--shard slurm: task " + std::to_string(id) + " of an array from " +
               std::to_string(min) + " with " + std::to_string(count) +
               " tasks gives no shard K of N (K = SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN + 1 "
               "must lie in 1..SLURM_ARRAY_TASK_COUNT; submit the array without a step, as "
               "--array=1-N)";
    return Shard{id - min + 1, count};
}

std::string PartPath(const std::string& summary, const Shard& shard) {
    std::string stem = summary;
    if (stem.size() >= 4 && stem.compare(stem.size() - 4, 4, ".csv") == 0)
        stem.resize(stem.size() - 4);
    return stem + ".shard-" + std::to_string(shard.index) + "-of-" + std::to_string(shard.count) +
           ".csv";
}

std::string PartText(const Shard& shard, std::size_t conditions, std::uint64_t digest,
                     bool complete, const std::string& header,
                     const std::vector<std::pair<std::size_t, std::string>>& rows) {
    const std::string grid = Digest::hex(digest);
    std::string body = header + "\r\n", tags;
    for (const auto& [condition, row] : rows) {
        body += row + "\r\n";
        tags += RowTag(grid, condition, row);
    }
    return std::string(kPartMark) + "," + std::to_string(shard.index) + "," +
           std::to_string(shard.count) + "," + std::to_string(conditions) + "," + grid + "," +
           (complete ? "complete" : "interrupted") + "," + Sha256::Of(body) + "," + tags + "\r\n" +
           body;
}

// Whether the part's body is the one its first line describes; the reason
// when it is not, naming the first row that differs.
static std::optional<std::string> CheckBody(const Part& part) {
    if (Sha256::Of(part.body) == part.bodySha256) return std::nullopt;
    const std::string what = Name(part.path) + " (" + Of(part.shard) + ")";
    for (std::size_t j = 0; j < part.rows.size(); ++j) {
        const std::uint64_t condition = part.shard.index - 1 + j * part.shard.count;
        if (part.tags.size() < (j + 1) * kTagDigits ||
            part.tags.compare(j * kTagDigits, kTagDigits,
                              RowTag(part.digest, condition, part.rows[j])) != 0) {
            std::vector<CsvRecord> cells;
            std::string name;
            if (!ParseCsv(part.rows[j], cells) && cells.size() == 1 && cells[0].fields.size() > 1)
                name = ", condition " + Printable(cells[0].fields[1]);
            return what + " was changed after it was written: row " + std::to_string(j + 1) +
                   " (line " + std::to_string(j + 3) + name +
                   ") is not the row the shard wrote for condition " +
                   std::to_string(condition + 1) + " of the grid";
        }
    }
    if (part.tags.size() != part.rows.size() * kTagDigits)
        return what + " was changed after it was written: it holds " +
               std::to_string(part.rows.size()) + " rows where the shard wrote " +
               std::to_string(part.tags.size() / kTagDigits);
    return what + " was changed after it was written: its header or line ends differ";
}

std::variant<std::string, std::vector<std::string>> MergeParts(
    const std::vector<std::pair<std::string, std::string>>& texts) {
    std::vector<std::string> problems;
    std::vector<Part> parts(texts.size());
    for (std::size_t p = 0; p < texts.size(); ++p)
        if (auto problem = ReadPart(texts[p].first, texts[p].second, parts[p]))
            problems.push_back(*problem);
    if (!problems.empty()) return problems;

    const Part& lead = parts.front();
    std::map<std::uint64_t, const Part*> byShard;
    for (const Part& part : parts) {
        if (part.shard.count != lead.shard.count) {
            problems.push_back(Name(lead.path) + " and " + Name(part.path) +
                               " split the grid into different numbers of shards (" +
                               std::to_string(lead.shard.count) + " and " +
                               std::to_string(part.shard.count) + ")");
            continue;
        }
        if (part.digest != lead.digest || part.conditions != lead.conditions ||
            part.header != lead.header) {
            problems.push_back(Name(lead.path) + " and " + Name(part.path) +
                               " are parts of different grids, or of different calls");
            continue;
        }
        auto [it, fresh] = byShard.emplace(part.shard.index, &part);
        if (!fresh) {
            problems.push_back(Name(it->second->path) + " and " + Name(part.path) + " are both " +
                               Of(part.shard));
            continue;
        }
        if (!part.complete)
            problems.push_back(Name(part.path) + " (" + Of(part.shard) +
                               ") was interrupted; run that shard again with --resume");
        // Shard K holds the conditions K, K+N, ... up to the count.
        const std::uint64_t expected =
            part.shard.index > part.conditions
                ? 0
                : (part.conditions - part.shard.index) / part.shard.count + 1;
        if (part.complete && part.rows.size() != expected)
            problems.push_back(Name(part.path) + " (" + Of(part.shard) + ") holds " +
                               std::to_string(part.rows.size()) +
                               " conditions where it should hold " + std::to_string(expected));
        else if (auto problem = CheckBody(part))
            problems.push_back(*problem);
    }
    if (problems.empty())
        for (std::uint64_t k = 1; k <= lead.shard.count; ++k)
            if (!byShard.count(k))
                problems.push_back(Of({k, lead.shard.count}) + " is missing (" +
                                   Name(SiblingPart(lead.path, {k, lead.shard.count})) +
                                   " was not given)");
    if (!problems.empty()) return problems;

    std::string summary = lead.header + "\r\n";
    const std::uint64_t n = lead.shard.count;
    for (std::uint64_t i = 0; i < lead.conditions; ++i)
        summary += std::string(byShard.at(i % n + 1)->rows[i / n]) + "\r\n";
    return summary;
}

}  // namespace velmor::batch
