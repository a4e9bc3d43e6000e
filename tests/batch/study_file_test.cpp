// Reading study files: every key, comments, blanks, and errors with lines.
#include "batch/study_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <variant>

#include "batch/study_keys.hpp"
#include "batch/study_shapes.hpp"
#include "output/scratch_dir.hpp"

using namespace velmor::batch;
using velmor::testing::ScratchDir;
using velmor::testing::UnprivilegedScope;
using velmor::testing::WriteFile;

namespace {

Study Parsed(const std::string& text) {
    auto result = ParseStudy("s.study", text);
    if (auto* errors = std::get_if<std::vector<StudyError>>(&result)) {
        ADD_FAILURE() << errors->front().text();
        return {};
    }
    return std::get<Study>(result);
}

std::vector<std::string> Errors(const std::string& text) {
    auto result = ParseStudy("s.study", text);
    std::vector<std::string> out;
    if (auto* errors = std::get_if<std::vector<StudyError>>(&result))
        for (const auto& e : *errors) out.push_back(e.text());
    return out;
}

// The one error of a file that is refused as a whole.
std::string FileErrors(const std::string& path) {
    auto result = ReadStudyFile(path);
    auto* errors = std::get_if<std::vector<StudyError>>(&result);
    if (!errors || errors->size() != 1) return "not exactly one error";
    return errors->front().text();
}

TEST(StudyFile, ReadsEveryKeyWithCommentsAndBlanks) {
    const Study s = Parsed(
        "# a comment line\n"
        "\n"
        "[group 1]\n"
        "distribution = normal        # normal | uniform\n"
        "mean = 0.31\r\n"
        "sd = 1\n"
        "n = 16\n"
        "reliability = 0.8\n"
        "integer = yes\n"
        "minimum = -2\n"
        "maximum =                    # empty: no maximum\n"
        "  [ Group  2 ]\n"
        "distribution = Uniform\n"
        "[group 3]\n"
        "[run]\n"
        "alpha = 0.05\n"
        "seed = 1432449975\n"
        "samples = 10000\n"
        "means_to_keep = 1000\n"
        "bounds = winsorized\n"
        "[search]\n"
        "power = 0.80\n"
        "samples = 5000\n");
    EXPECT_EQ(s.groups[0].at("mean").text, "0.31");
    EXPECT_EQ(s.groups[0].at("mean").line, 5);
    EXPECT_EQ(s.groups[0].at("integer").text, "yes");
    EXPECT_EQ(s.groups[0].at("minimum").text, "-2");
    EXPECT_EQ(s.groups[0].at("maximum").text, "");
    EXPECT_EQ(s.groups[0].at("reliability").text, "0.8");
    EXPECT_EQ(s.groups[1].at("distribution").text, "Uniform");
    EXPECT_TRUE(s.groups[2].empty());
    EXPECT_EQ(s.run.at("bounds").text, "winsorized");
    EXPECT_EQ(s.run.at("means_to_keep").text, "1000");
    ASSERT_TRUE(s.search.has_value());
    EXPECT_EQ(s.search->at("samples").text, "5000");
    EXPECT_EQ(Study::find(s.run, "power"), nullptr);
}

TEST(StudyFile, NoSearchSectionMeansOneRun) {
    EXPECT_FALSE(Parsed("[run]\nsamples = 10\n").search.has_value());
    EXPECT_TRUE(Parsed("[run]\n").groups[0].empty());
}

TEST(StudyFile, ReportsEveryErrorWithItsLine) {
    const auto errors = Errors(
        "[group 1]\n"
        "mean = abc\n"
        "colour = red\n"
        "mean = 1\n"
        "[group 4]\n"
        "n = 3\n"
        "[run]\n"
        "alpha\n"
        "bounds = clamped\n"
        "samples = 1e999\n");
    EXPECT_EQ(errors,
              (std::vector<std::string>{
                  "You must entire an appropriate numeric value (s.study:2: mean = abc)",
                  "s.study:3: unknown key 'colour'",
                  "s.study:5: unknown section [group 4]",
                  "s.study:8: expected key = value",
                  "s.study:9: bounds: bounds must be resampled or winsorized",
                  "You must entire an appropriate numeric value (s.study:10: samples = 1e999)",
              }));
}

TEST(StudyFile, DuplicateKeysAndSectionsAreErrors) {
    EXPECT_EQ(Errors("[run]\nseed = 1\nseed = 2\n"),
              (std::vector<std::string>{"s.study:3: duplicate key 'seed' (first at line 2)"}));
    EXPECT_EQ(Errors("[run]\n[run]\n"),
              (std::vector<std::string>{"s.study:2: section [run] appears twice"}));
}

TEST(StudyFile, KeysOutsideSectionsAreErrorsAndUniformBoundsAreNot) {
    EXPECT_EQ(Errors("seed = 5\n"),
              (std::vector<std::string>{"s.study:1: 'seed' stands before any section"}));
    // A uniform group's bounds are accepted: they replace the derived ones.
    EXPECT_EQ(Errors("[group 2]\ndistribution = uniform\nminimum = 0\n"),
              std::vector<std::string>{});
    EXPECT_EQ(
        Errors("[group 1]\ninteger = maybe\ndistribution = gamma\n"),
        (std::vector<std::string>{
            "s.study:2: integer: integer must be yes or no",
            "s.study:3: distribution: distribution must be normal, uniform, fleishman, g-and-h, "
            "lognormal, exponential, chi-square, t or contaminated"}));
}

TEST(StudyFile, UnreadableFileGivesTheSystemsReason) {
    EXPECT_EQ(FileErrors("/nonexistent/velmor.study"),
              "/nonexistent/velmor.study: cannot be read: No such file or directory");
    ScratchDir dir;
    WriteFile(dir / "locked.study", "[run]\n");
    ::chmod((dir / "locked.study").c_str(), 0);
    UnprivilegedScope nobody;
    ASSERT_TRUE(nobody.ok());
    EXPECT_EQ(FileErrors((dir / "locked.study").string()),
              (dir / "locked.study").string() + ": cannot be read: Permission denied");
}

TEST(StudyFile, RefusesWhatIsNotAStudy) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "adir.study");
    ASSERT_EQ(::mkfifo((dir / "fifo.study").c_str(), 0600), 0);
    WriteFile(dir / "empty.study", "");
    WriteFile(dir / "comments.study", "# only a comment\n\n");
    WriteFile(dir / "large.study", "[run]\n" + std::string(kMaxStudyFileBytes, '#'));
    const std::string d = dir.path().string() + "/";
    EXPECT_EQ(FileErrors(d + "adir.study"), d + "adir.study: is a directory, not a regular file");
    // Opening a FIFO would wait for a writer for ever.
    EXPECT_EQ(FileErrors(d + "fifo.study"),
              d + "fifo.study: is a FIFO (named pipe), not a regular file");
    EXPECT_EQ(FileErrors("/dev/null"), "/dev/null: is a character device, not a regular file");
    EXPECT_EQ(FileErrors("/dev/zero"), "/dev/zero: is a character device, not a regular file");
    EXPECT_EQ(FileErrors(d + "large.study"),
              d + "large.study: is larger than 1048576 bytes (1 MiB), the limit for a study file");
    const std::string noSection =
        ": has no section; a study needs at least one of [group 1], [group 2], [group 3], [run] "
        "and [search] "
        "(an empty [run] runs the window's defaults)";
    EXPECT_EQ(FileErrors(d + "empty.study"), d + "empty.study" + noSection);
    EXPECT_EQ(FileErrors(d + "comments.study"), d + "comments.study" + noSection);
    // Just below the limit is still read.
    WriteFile(dir / "large.study", "[run]\n" + std::string(kMaxStudyFileBytes - 6, '#'));
    EXPECT_TRUE(std::holds_alternative<Study>(ReadStudyFile(d + "large.study")));
}

TEST(StudyFile, AcceptsAByteOrderMark) {
    const Study s = Parsed("\xEF\xBB\xBF[run]\nseed = 7\n");
    EXPECT_EQ(s.run.at("seed").text, "7");
}

TEST(StudyFile, NotANumberGivesTheWindowsMessageThenWhere) {
    EXPECT_EQ(Errors("[group 1]\nmean = nan\nminimum = 1;5\n"),
              (std::vector<std::string>{
                  "You must entire an appropriate numeric value (s.study:2: mean = nan)",
                  "You must entire an appropriate numeric value (s.study:3: minimum = 1;5)"}));
}

TEST(StudyFile, ControlCharactersAreShownEscaped) {
    EXPECT_EQ(Errors("[run]\n\x1b]0;owned\a = 1\n[gr\x9bup]\n[run]\nseed = \x1b[2J\n"),
              (std::vector<std::string>{"s.study:2: unknown key '\\x1b]0;owned\\x07'",
                                        "s.study:3: unknown section [gr\\x9bup]",
                                        "s.study:4: section [run] appears twice"}));
    auto result = ParseStudy("bad\rname.study",
                             "[run]\nseed = \xc2\x9b"
                             "2J\n");
    EXPECT_EQ(
        std::get<std::vector<StudyError>>(result).front().text(),
        "You must entire an appropriate numeric value (bad\\x0dname.study:2: seed = \\xc2\\x9b2J)");
    // Printable UTF-8 is kept as it is.
    EXPECT_EQ(Errors("[run]\nd\xc3\xa9j\xc3\xa0 = 1\n"),
              (std::vector<std::string>{"s.study:2: unknown key 'd\xc3\xa9j\xc3\xa0'"}));
}

}  // namespace

// The key table is the reader's only list: each key it names is read in its
// own section and nowhere else.
TEST(StudyFile, EveryKeyOfTheTableIsReadInItsSectionOnly) {
    auto valid = [](ValueKind kind) -> std::string {
        switch (kind) {
            case ValueKind::Number:
            case ValueKind::OptionalNumber:
                return "2";
            case ValueKind::Distribution:
                return "uniform";
            case ValueKind::YesNo:
            case ValueKind::Confirm:
                return "yes";
            case ValueKind::Bounds:
                return "winsorized";
            case ValueKind::Seeds:
                return "fixed";
            case ValueKind::ConditionSeeds:
                return "independent";
            case ValueKind::NoVariance:
                return "skip";
            case ValueKind::Tests:
                return "welch kruskal-wallis";
            case ValueKind::Precision:
                return ".005";
            case ValueKind::Decide:
                return "robey";
            case ValueKind::Generator:
                return "philox";
        }
        return "";
    };
    auto header = [](KeySection section) -> std::string {
        switch (section) {
            case KeySection::Group:
                return "[group 2]";
            case KeySection::Run:
                return "[run]";
            case KeySection::Search:
                return "[search]";
        }
        return "";
    };
    // A shape's parameter is read only beside a distribution that reads it.
    auto shapeLines = [](StudyKey key) -> std::string {
        for (const char* name :
             {"fleishman", "g-and-h", "lognormal", "chi-square", "contaminated"}) {
            const auto keys = ParametersOf(*ShapeFamilyNamed(name));
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) continue;
            std::string lines = std::string("distribution = ") + name + "\n";
            for (const StudyKey other : keys)
                if (other != key) lines += std::string(KeyName(other)) + " = 2\n";
            return lines;
        }
        return "";
    };
    for (const StudyKeyRule& rule : kStudyKeys) {
        const std::string line = std::string(rule.name) + " = " + valid(rule.kind);
        const Study study =
            Parsed(header(rule.section) + "\n" + shapeLines(rule.key) + line + "\n");
        const StudySection* section = rule.section == KeySection::Group ? &study.groups[1]
                                      : rule.section == KeySection::Run ? &study.run
                                      : study.search                    ? &*study.search
                                                                        : nullptr;
        ASSERT_NE(section, nullptr) << line;
        const StudyValue* value = Study::find(*section, rule.name);
        ASSERT_NE(value, nullptr) << line;
        EXPECT_EQ(value->text, valid(rule.kind));
        for (const KeySection other : {KeySection::Group, KeySection::Run, KeySection::Search}) {
            if (other != rule.section && !FindStudyKey(other, rule.name)) {
                EXPECT_FALSE(Errors(header(other) + "\n" + line + "\n").empty()) << line;
            }
        }
    }
}
