// Reading study files: every key, comments, blanks, and errors with lines.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "batch/study_file.hpp"

using namespace velmor::batch;

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
    EXPECT_TRUE(Parsed("").groups[0].empty());
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
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "s.study:2: mean: 'abc' is not a number",
                          "s.study:3: unknown key 'colour'",
                          "s.study:5: unknown section [group 4]",
                          "s.study:8: expected key = value",
                          "s.study:9: bounds: bounds must be resampled or winsorized",
                          "s.study:10: samples: '1e999' is not a number",
                      }));
}

TEST(StudyFile, DuplicateKeysAndSectionsAreErrors) {
    EXPECT_EQ(Errors("[run]\nseed = 1\nseed = 2\n"),
              (std::vector<std::string>{"s.study:3: duplicate key 'seed' (first at line 2)"}));
    EXPECT_EQ(Errors("[run]\n[run]\n"), (std::vector<std::string>{"s.study:2: section [run] appears twice"}));
}

TEST(StudyFile, KeysOutsideSectionsAndUniformBoundsAreErrors) {
    EXPECT_EQ(Errors("seed = 5\n"), (std::vector<std::string>{"s.study:1: 'seed' stands before any section"}));
    EXPECT_EQ(Errors("[group 2]\ndistribution = uniform\nminimum = 0\n"),
              (std::vector<std::string>{"s.study:3: minimum applies to normal groups only; a uniform group's "
                                        "bounds follow from its mean and sd"}));
    EXPECT_EQ(Errors("[group 1]\ninteger = maybe\ndistribution = gamma\n"),
              (std::vector<std::string>{"s.study:2: integer: integer must be yes or no",
                                        "s.study:3: distribution: distribution must be normal or uniform"}));
}

TEST(StudyFile, MissingFileIsAnError) {
    auto result = ReadStudyFile("/nonexistent/velmor.study");
    ASSERT_TRUE(std::holds_alternative<std::vector<StudyError>>(result));
    EXPECT_EQ(std::get<std::vector<StudyError>>(result).front().text(), "/nonexistent/velmor.study:0: cannot be read");
}

}  // namespace
