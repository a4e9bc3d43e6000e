// A study runs the population it describes, and the batch says whatever the
// window's rules change of it: truncated, clamped and reduced values, uniform
// bounds written at three significant digits, and grid cells that collapse
// into one another. --strict refuses all of these before anything runs.
#include "batch/value_changes.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "batch/csv.hpp"
#include "batch/grid_run.hpp"
#include "batch/study_runner.hpp"
#include "output/scratch_dir.hpp"

using namespace velmor::batch;
using velmor::testing::ReadFile;
using velmor::testing::ScratchDir;
using velmor::testing::WriteFile;

namespace {

Study StudyOf(const std::string& text) {
    StudyReadResult read = ParseStudy("s.study", text);
    EXPECT_TRUE(std::holds_alternative<Study>(read));
    return std::get<Study>(read);
}

std::vector<std::string> ChangesOf(const std::string& text) {
    const Study study = StudyOf(text);
    const std::optional<velmor::RunSettings> settings = StudySettings(study);
    EXPECT_TRUE(settings.has_value()) << text;
    std::vector<std::string> said;
    if (!settings) return said;
    for (const ValueChange& c : FindValueChanges(study, *settings)) said.push_back(ChangeText(c));
    for (const UniformPopulation& p : FindMovedUniformPopulations(study, *settings))
        said.push_back(PopulationText(p));
    return said;
}

struct ChangeCase {
    const char* study;
    std::vector<std::string> said;
};

// The study on one line, to name the case.
void PrintTo(const ChangeCase& c, std::ostream* os) {
    for (const char* p = c.study; *p; ++p) *os << (*p == '\n' ? ' ' : *p);
}

class ValueChanges : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ValueChanges, EveryValueTheWindowChangesIsSaidWithItsOldAndNewValue) {
    EXPECT_EQ(ChangesOf(GetParam().study), GetParam().said);
}

INSTANTIATE_TEST_SUITE_P(
    Studies, ValueChanges,
    ::testing::Values(
        // Nothing changed: equal as numbers is equal (1e4 is 10000).
        ChangeCase{"[group 1]\nn = 20\n[run]\nsamples = 1e4\nseed = 2147483647\n", {}},
        ChangeCase{"[group 1]\nn = 7.9\n", {"group1.n = 7.9 runs as 7"}},
        ChangeCase{"[groups]\nn = 4000\n", {"groups.n = 4000 runs as 2000"}},
        ChangeCase{"[group 2]\nn = 4000\n[group 3]\nn = 2500\n",
                   {"group2.n = 4000 runs as 2000", "group3.n = 2500 runs as 2000"}},
        ChangeCase{"[run]\nseed = 21474836470\n", {"run.seed = 21474836470 runs as 2147483647"}},
        ChangeCase{"[run]\nseed = -5.5\n", {"run.seed = -5.5 runs as -5"}},
        // Beyond the 32-bit count the window clamps.
        ChangeCase{"[run]\nsamples = 1e300\n", {"run.samples = 1e300 runs as 4294967295"}},
        ChangeCase{"[run]\nsamples = 500\nmeans_to_keep = 700\n",
                   {"run.means_to_keep = 700 runs as 500"}},
        ChangeCase{"[run]\nmeans_to_keep = 2.5\n", {"run.means_to_keep = 2.5 runs as 2"}},
        // A search sets sizes itself: only its seed is compared.
        ChangeCase{"[groups]\nn = 4000\n[run]\nseed = 99999999999\n[search]\npower = .8\n",
                   {"run.seed = 99999999999 runs as 999999999"}},
        // Uniform bounds derived at three significant digits: 827 and 1170.
        ChangeCase{"[group 1]\ndistribution = uniform\nmean = 1000\nsd = 100\n",
                   {"group 1 runs a uniform population on [827, 1170] (bounds the window derived "
                    "from its mean and sd at three significant digits): mean 998.5 and SD "
                    "99.0156, not the entered mean 1000 and sd 100; give minimum and maximum to "
                    "set the bounds exactly"}},
        // Given exactly, they run as given: nothing to say.
        ChangeCase{"[group 1]\ndistribution = uniform\nmean = 1000\nsd = 100\nminimum = "
                   "826.7949192431123\nmaximum = 1173.2050807568878\n",
                   {}},
        // 0.0005 of an SD off is inside the 0.1% the batch lets pass.
        ChangeCase{"[group 1]\ndistribution = uniform\nmean = 1000\nsd = 100\nminimum = "
                   "826.85\nmaximum = 1173.25\n",
                   {}},
        // Bounds given that do not match the mean and sd are said too.
        ChangeCase{"[group 2]\ndistribution = uniform\nmean = 0\nsd = 1\nminimum = 0\nmaximum "
                   "= 12\n",
                   {"group 2 runs a uniform population on [0, 12] (bounds as given): mean 6 and "
                    "SD 3.4641, not the entered mean 0 and sd 1"}}));

// The bounds a uniform group gives are the bounds that run.
TEST(UniformBounds, GivenBoundsAreTypedAfterTheMeanAndSd) {
    const Study study = StudyOf(
        "[group 3]\ndistribution = uniform\nmean = 1000\nsd = 100\nminimum = "
        "826.7949192431123\nmaximum = 1173.2050807568878\n");
    const std::optional<velmor::RunSettings> settings = StudySettings(study);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->groups[2].minimum, 826.7949192431123);
    EXPECT_EQ(settings->groups[2].maximum, 1173.2050807568878);
    EXPECT_TRUE(settings->groups[2].uniform());
    // Only one given: the other stays the window's derived bound.
    const std::optional<velmor::RunSettings> one = StudySettings(
        StudyOf("[group 1]\ndistribution = uniform\nmean = 1000\nsd = 100\nminimum = 826.79\n"));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->groups[0].minimum, 826.79);
    EXPECT_EQ(one->groups[0].maximum, 1170.0);
}

struct BatchRun {
    int code = 0;
    std::string err, summary;
    std::vector<std::vector<std::string>> rows;
    std::string cell(std::size_t row, const std::string& column) const {
        for (std::size_t c = 0; c < rows[0].size(); ++c)
            if (rows[0][c] == column) return rows.at(row + 1).at(c);
        ADD_FAILURE() << "no column " << column;
        return {};
    }
};

BatchRun RunStudyFile(const ScratchDir& dir, const std::string& name, const std::string& study,
                      bool strict) {
    WriteFile(dir / (name + ".study"), study);
    BatchOptions options;
    options.output = {dir / name, false, false};
    options.summary = (dir / (name + ".csv")).string();
    options.studies = {(dir / (name + ".study")).string()};
    options.strict = strict;
    options.jobs = 1;
    InterruptFlag interrupt;
    std::ostringstream err;
    BatchRun run;
    run.code = RunBatch(options, interrupt, err);
    run.err = err.str();
    if (std::filesystem::exists(options.summary)) {
        run.summary = ReadFile(options.summary);
        std::istringstream lines(run.summary);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::vector<std::string> row;
            std::string cell;
            bool quoted = false;
            for (char ch : line) {
                if (ch == '"')
                    quoted = !quoted;
                else if (ch == ',' && !quoted)
                    row.push_back(std::exchange(cell, {}));
                else
                    cell += ch;
            }
            row.push_back(cell);
            run.rows.push_back(row);
        }
    }
    return run;
}

// The grid of the report: three cells that run n = 2000 say so before they
// run; each says what changed; the status stays ok.
TEST(ValueChangesInABatch, CutValuesAreSaidAndCollapsedCellsNamedBeforeRunning) {
    ScratchDir dir;
    const std::string grid = "[groups]\nn = 1000, 2000, 4000, 8000\n[run]\nsamples = 3\n";
    const BatchRun run = RunStudyFile(dir, "g", grid, false);
    EXPECT_EQ(run.code, 0) << run.err;
    const std::string before =
        "velmor-batch: " + (dir / "g.study").string() +
        ": conditions g-3, g-4 run the same settings as g-2 once the window's rules have "
        "corrected their values\n";
    EXPECT_EQ(run.err.substr(0, before.size()), before) << run.err;
    ASSERT_EQ(run.rows.size(), 5u) << run.summary;
    EXPECT_EQ(run.cell(0, "message"), "");
    EXPECT_EQ(run.cell(2, "status"), "ok");
    EXPECT_EQ(run.cell(2, "message"),
              "groups.n = 4000 runs as 2000; runs the same settings as condition g-2");
    EXPECT_EQ(run.cell(3, "message"),
              "groups.n = 8000 runs as 2000; runs the same settings as condition g-2");
    EXPECT_NE(run.err.find(", condition g-4: groups.n = 8000 runs as 2000\n"), std::string::npos)
        << run.err;

    // --strict: the grid runs nothing at all.
    const BatchRun strict = RunStudyFile(dir, "h", grid, true);
    EXPECT_EQ(strict.code, kExitFailure);
    EXPECT_NE(strict.err.find("nothing was run"), std::string::npos) << strict.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "h.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "h" / "h-1.OUT"));
}

// --strict refuses a study whose values would change, before it runs
// (samples = 1e300 would otherwise run for days), and keeps no file of it.
TEST(ValueChangesInABatch, StrictRefusesAChangedStudyAndRunsTheOthers) {
    ScratchDir dir;
    const BatchRun cut =
        RunStudyFile(dir, "cut", "[run]\nsamples = 1e300\nseed = 21474836470\n", true);
    EXPECT_EQ(cut.code, kExitFailure);
    ASSERT_EQ(cut.rows.size(), 2u) << cut.summary;
    EXPECT_EQ(cut.cell(0, "status"), "failed");
    EXPECT_EQ(cut.cell(0, "message"),
              "refused (--strict): the window would change values: run.samples = 1e300 runs as "
              "4294967295; run.seed = 21474836470 runs as 2147483647; nothing was run");
    EXPECT_FALSE(std::filesystem::exists(dir / "cut" / "cut.OUT"));

    const BatchRun same =
        RunStudyFile(dir, "same", "[run]\nsamples = 3\nseed = 2147483647\n", true);
    EXPECT_EQ(same.code, 0) << same.err;
    EXPECT_EQ(same.cell(0, "status"), "ok");
    EXPECT_TRUE(std::filesystem::exists(dir / "same" / "same.OUT"));
}

// A uniform group's bounds are accepted, and they decide the population that
// runs: given exactly, its achieved mean is the entered 1000; derived at three
// significant digits, 998.5, which the batch says. With n = 16 and 20000
// samples the mean of means has a Monte Carlo error of 100/4/sqrt(20000) =
// 0.18, so 1.5 apart is more than eight of them.
TEST(ValueChangesInABatch, UniformBoundsGivenExactlyRunTheEnteredPopulation) {
    ScratchDir dir;
    const std::string uniform = "[group 1]\ndistribution = uniform\nmean = 1000\nsd = 100\n";
    const std::string run = "[run]\nsamples = 20000\n";
    const BatchRun exact = RunStudyFile(
        dir, "exact", uniform + "minimum = 826.7949192431123\nmaximum = 1173.2050807568878\n" + run,
        false);
    ASSERT_EQ(exact.code, 0) << exact.err;
    EXPECT_EQ(exact.cell(0, "message"), "");
    EXPECT_NEAR(std::stod(exact.cell(0, "mean1")), 1000.0, 0.75);

    const BatchRun derived = RunStudyFile(dir, "derived", uniform + run, false);
    ASSERT_EQ(derived.code, 0) << derived.err;
    EXPECT_EQ(derived.cell(0, "status"), "ok");
    EXPECT_NE(derived.cell(0, "message").find("mean 998.5 and SD 99.0156"), std::string::npos)
        << derived.summary;
    EXPECT_NE(derived.err.find("mean 998.5 and SD 99.0156"), std::string::npos) << derived.err;
    EXPECT_NEAR(std::stod(derived.cell(0, "mean1")), 998.5, 0.75);
}

}  // namespace
