// Grids in one study file and designs as CSV: which conditions they make, in
// what order, under what names, and every error they can give, with its line.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "batch/design_file.hpp"
#include "batch/study_file.hpp"

using namespace velmor::batch;

namespace {

StudyGrid Grid(const std::string& text, const std::string& path = "grid.study") {
    auto result = ParseStudyGrid(path, text);
    if (auto* errors = std::get_if<std::vector<StudyError>>(&result)) {
        ADD_FAILURE() << errors->front().text();
        return {};
    }
    return std::get<StudyGrid>(result);
}

template <class Result>
std::vector<std::string> ErrorsOf(const Result& result) {
    std::vector<std::string> out;
    if (auto* errors = std::get_if<std::vector<StudyError>>(&result))
        for (const auto& e : *errors) out.push_back(e.text());
    return out;
}

// The values of a study as "section.key=value" lines, lines left out.
std::string Values(const Study& s) {
    std::string text;
    for (int g = 0; g < 3; ++g)
        for (const auto& [key, value] : s.groups[g])
            text += "group" + std::to_string(g + 1) + "." + key + "=" + value.text + "\n";
    for (const auto& [key, value] : s.run) text += "run." + key + "=" + value.text + "\n";
    if (s.search)
        for (const auto& [key, value] : *s.search)
            text += "search." + key + "=" + value.text + "\n";
    return text;
}

Study Hand(const std::string& text) {
    auto result = ParseStudy("hand.study", text);
    EXPECT_TRUE(std::holds_alternative<Study>(result)) << ErrorsOf(result).front();
    return std::get<Study>(result);
}

TEST(GridFile, ListsCrossWithTheFirstVaryingSlowest) {
    const StudyGrid grid = Grid(
        "[group 1]\nsd = 1, 2, 4\n[group 2]\nn = 10 , 20\n[run]\nseed = 7\nbounds = resampled, "
        "winsorized\n");
    ASSERT_EQ(grid.count(), 12u);
    EXPECT_EQ(grid.factorColumns(),
              (std::vector<std::string>{"group1.sd", "group2.n", "run.bounds"}));
    EXPECT_EQ(grid.conditionName(0), "grid-01");
    EXPECT_EQ(grid.conditionName(11), "grid-12");
    // Condition 6 (from 1): sd 2, n 10, winsorized.
    EXPECT_EQ(grid.cell(5, "group1.sd"), "2");
    EXPECT_EQ(grid.cell(5, "group2.n"), "10");
    EXPECT_EQ(grid.cell(5, "run.bounds"), "winsorized");
    EXPECT_EQ(grid.cell(5, "run.seed"), "7");
    EXPECT_EQ(grid.cell(5, "group3.n"), "");
    EXPECT_EQ(Values(grid.condition(5)),
              Values(Hand("[group 1]\nsd = 2\n[group 2]\nn = 10\n[run]\nseed = 7\nbounds = "
                          "winsorized\n")));
    // The name is zero-padded to the width of the count.
    const StudyGrid wide =
        Grid("[run]\nseed = 1,2,3,4,5,6,7,8,9,10\nsamples = 1,2,3,4,5,6,7,8,9,10,11,12\n");
    EXPECT_EQ(wide.count(), 120u);
    EXPECT_EQ(wide.conditionName(6), "grid-007");
    // A file without lists is one condition under its own name.
    EXPECT_EQ(Grid("[run]\nseed = 5\n").conditionName(0), "grid");
}

TEST(GridFile, GroupsSectionSetsAllThreeAndAGroupOverrides) {
    const StudyGrid grid = Grid("[groups]\nn = 10, 40\nmean = 0\n[group 3]\nn = 15\nmean = 0.5\n");
    ASSERT_EQ(grid.count(), 2u);
    EXPECT_EQ(grid.factorColumns(), (std::vector<std::string>{"groups.n"}));
    EXPECT_EQ(grid.cell(1, "groups.n"), "40");
    EXPECT_EQ(Values(grid.condition(1)),
              Values(Hand("[group 1]\nn = 40\nmean = 0\n[group 2]\nn = 40\nmean = 0\n[group "
                          "3]\nn = 15\nmean = 0.5\n")));
}

TEST(GridFile, ReportsBadItemsAndImpossibleGridsWithTheirLines) {
    EXPECT_EQ(
        ErrorsOf(ParseStudyGrid("g.study",
                                "[group 1]\nsd = 1, x, 3\n[groups]\ndistribution = "
                                "normal, gamma\n[groups]\nn = 1\n[run]\nseed = 1,\n")),
        (std::vector<std::string>{
            "You must entire an appropriate numeric value (g.study:2: sd = x)",
            "g.study:4: distribution: distribution must be normal, uniform, fleishman, g-and-h, "
            "lognormal, exponential, chi-square, t or contaminated",
            "g.study:5: section [groups] appears twice",
            "You must entire an appropriate numeric value (g.study:8: seed = )"}));
    // An empty item of an optional value is "no bound", a factor level of its own.
    EXPECT_EQ(Grid("[group 1]\nminimum = , -2\n").count(), 2u);
    // A uniform group may give its bounds: they replace the derived ones.
    EXPECT_EQ(Grid("[groups]\ndistribution = normal, uniform\n[group 2]\nminimum = -3\n").count(),
              2u);
    const std::string ten = "1,2,3,4,5,6,7,8,9,10";
    std::string huge = "[group 1]\n";
    for (const char* key : {"mean", "sd", "n", "reliability"})
        huge += std::string(key) + " = " + ten + "\n";
    huge += "[run]\nseed = " + ten + "\nsamples = " + ten + "\nalpha = " + ten + "\n";
    EXPECT_EQ(ErrorsOf(ParseStudyGrid("g.study", huge)),
              (std::vector<std::string>{
                  "g.study: has more than 1000000 conditions, the most one grid may have"}));
    // A single study refuses lists.
    EXPECT_EQ(
        ErrorsOf(ParseStudy("g.study", "[run]\nseed = 1, 2\n")),
        (std::vector<std::string>{"g.study: holds lists of values: it is a grid of 2 conditions"}));
}

std::vector<std::string> DesignErrors(const std::string& csv, const std::string& base = "") {
    std::optional<StudyGrid> baseGrid;
    if (!base.empty()) baseGrid = Grid(base, "base.study");
    return ErrorsOf(ParseDesign("d.csv", csv, baseGrid));
}

TEST(DesignFile, RowsOverrideTheBaseAndAGroupsOwnColumnWins) {
    const StudyGrid base =
        Grid("[group 1]\nmean = 0.5\nn = 99\n[run]\nseed = 3\nsamples = 100\n", "base.study");
    auto result = ParseDesign("d.csv",
                              "\xEF\xBB\xBFName, Group2.N ,groups.n,run.seed\r\n"
                              "increasing,20,10,1\r\n\r\n"
                              "\"de,creasing\",,40,2\r\n",
                              base);
    // An empty cell is the value written empty, which a size cannot be.
    EXPECT_EQ(ErrorsOf(result),
              (std::vector<std::string>{
                  "You must entire an appropriate numeric value (d.csv:4: group2.n = )"}));
    result = ParseDesign(
        "d.csv", "name,group2.n,groups.n,run.seed\nincreasing,20,10,1\ndecreasing,20,40,2\n", base);
    ASSERT_TRUE(std::holds_alternative<Design>(result)) << ErrorsOf(result).front();
    const Design& design = std::get<Design>(result);
    ASSERT_EQ(design.count(), 2u);
    EXPECT_EQ(design.conditionName(1), "decreasing");
    EXPECT_EQ(design.cell(1, "groups.n"), "40");
    EXPECT_EQ(design.cell(1, "run.samples"), "100");  // the base's, as written
    EXPECT_EQ(
        Values(design.condition(1)),
        Values(Hand("[group 1]\nmean = 0.5\nn = 40\n[group 2]\nn = 20\n[group 3]\nn = 40\n[run]\n"
                    "seed = 2\nsamples = 100\n")));
    // Without a name column, rows are named after the design.
    auto unnamed = ParseDesign("sizes.csv", "groups.n\n10\n20\n", std::nullopt);
    EXPECT_EQ(std::get<Design>(unnamed).conditionName(1), "sizes-2");
}

TEST(DesignFile, ReportsEveryProblemWithItsLine) {
    EXPECT_EQ(DesignErrors("group1.sd,colour,group1.sd,group4.n,run.power\n1,2,3,4,5\n"),
              (std::vector<std::string>{
                  "d.csv:1: unknown column 'colour'; columns name a key as group1.sd, groups.n, "
                  "run.seed or search.power, or are 'name'",
                  "d.csv:1: column 'group1.sd' appears twice",
                  "d.csv:1: unknown column 'group4.n'; columns name a key as group1.sd, groups.n, "
                  "run.seed or search.power, or are 'name'",
                  "d.csv:1: unknown column 'run.power'; columns name a key as group1.sd, groups.n, "
                  "run.seed or search.power, or are 'name'"}));
    EXPECT_EQ(
        DesignErrors("name,group1.sd,run.bounds\n"
                     "a,1\n"
                     "b,x,resampled\n"
                     "c,\"1, 2\",resampled\n"
                     "b,1,clamped\n"
                     ".hidden,1,resampled\n"
                     "a/b,1,resampled\n"
                     "c,1,resampled\n"),
        (std::vector<std::string>{
            "d.csv:2: 2 values for 3 columns",
            "You must entire an appropriate numeric value (d.csv:3: group1.sd = x)",
            "d.csv:4: group1.sd: a design gives one value per cell, not '1, 2'",
            "d.csv:5: run.bounds: bounds must be resampled or winsorized",
            "d.csv:5: the name 'b' is taken by line 3",
            "d.csv:6: the name '.hidden' cannot name files: it must not be empty, start with "
            "'.', hold '/' or control characters",
            "d.csv:7: the name 'a/b' cannot name files: it must not be empty, start with '.', "
            "hold '/' or control characters",
            "d.csv:8: the name 'c' is taken by line 4"}));
    EXPECT_EQ(DesignErrors(""), (std::vector<std::string>{
                                    "d.csv: is empty; a design needs a header line and a row per "
                                    "condition"}));
    EXPECT_EQ(DesignErrors("groups.n\n"),
              (std::vector<std::string>{"d.csv: has a header and no rows; a design needs a row per "
                                        "condition"}));
    EXPECT_EQ(DesignErrors("groups.n\n\"10\n"),
              (std::vector<std::string>{"d.csv: line 2: a quote is opened and never closed"}));
    EXPECT_EQ(DesignErrors("groups.n\n10\n", "[run]\nseed = 1, 2\n"),
              (std::vector<std::string>{"base.study: holds lists of values; the base study of a "
                                        "design gives one value per key"}));
    EXPECT_EQ(DesignErrors("group2.distribution,group2.maximum\nuniform,3\n"),
              std::vector<std::string>{});
}

}  // namespace
