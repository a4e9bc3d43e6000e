// What a grid run writes when things go wrong: clashing outputs stop it before
// it runs, an output folder that cannot be used is named in plain words, and
// --resume keeps only what is still complete; its progress line goes to the
// stream it was given.
#include "batch/grid_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "batch/conditions.hpp"
#include "output/scratch_dir.hpp"

using namespace velmor::batch;
using velmor::testing::ReadFile;
using velmor::testing::ScratchDir;
using velmor::testing::WriteFile;

namespace {

const std::string kQuickStudy = "[run]\nsamples = 20\nmeans_to_keep = 5\n";

TEST(GridRun, ClashingOutputsStopTheBatchBeforeItRuns) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    for (const char* study : {"a/x.study", "b/x.study", "study.OUT"})
        WriteFile(dir / study, kQuickStudy);
    const std::string a = (dir / "a/x.study").string(), b = (dir / "b/x.study").string();
    const std::string out = (dir / "out").string();
    EXPECT_EQ(FindOutputClashes({{a, "x"}, {b, "x"}}, {out, true, false}, {}),
              (std::vector<std::string>{"the report of " + a + " and the report of " + b +
                                            " would both be " + out + "/x.OUT",
                                        "the data file of " + a + " and the data file of " + b +
                                            " would both be " + out + "/x_data.TXT"}));
    // --out . study.OUT would overwrite the study with its own report.
    const std::string input = (dir / "study.OUT").string();
    EXPECT_EQ(
        FindOutputClashes({{input, "study"}}, {dir.path(), false, false}, {}),
        (std::vector<std::string>{"the report of " + input + " would replace the input " + input}));
    EXPECT_EQ(FindOutputClashes({{a, "x"}}, {}, {a}),
              (std::vector<std::string>{"the summary " + a + " would replace the input " + a}));

    BatchOptions options;
    options.output.outDir = out;
    options.summary = (dir / "summary.csv").string();
    options.studies = {a, b};
    InterruptFlag interrupt;
    std::ostringstream err;
    EXPECT_EQ(RunBatch(options, interrupt, err), kExitUsage);
    EXPECT_NE(err.str().find("velmor-batch: nothing was run\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    EXPECT_FALSE(std::filesystem::exists(dir / "summary.csv"));
}

TEST(GridRun, OutputFolderThatIsAFileIsNamed) {
    ScratchDir dir;
    WriteFile(dir / "afile", "");
    WriteFile(dir / "x.study", kQuickStudy);
    BatchOptions options;
    options.output.outDir = dir / "afile";
    options.studies = {(dir / "x.study").string()};
    InterruptFlag interrupt;
    std::ostringstream err;
    EXPECT_EQ(RunBatch(options, interrupt, err), kExitFailure);
    EXPECT_EQ(err.str(), "velmor-batch: the output folder " + (dir / "afile").string() +
                             " is not a folder but a file\n");
    options.output.outDir = dir / "afile" / "sub";
    err.str("");
    EXPECT_EQ(RunBatch(options, interrupt, err), kExitFailure);
    EXPECT_EQ(err.str(), "velmor-batch: the output folder " + (dir / "afile" / "sub").string() +
                             " cannot be created: Not a directory\n");
}

TEST(GridRun, NoVarianceStudyWritesTheDataFileItAsksToVerify) {
    ScratchDir dir;
    // Whole scores from a tiny SD: every score is 5.
    WriteFile(dir / "x.study",
              "[group 1]\nmean = 5\nsd = 0.01\ninteger = yes\n[run]\nsamples = 10\n");
    BatchOptions options;
    options.output = {dir / "out", true, true};
    options.summary = (dir / "summary.csv").string();
    options.studies = {(dir / "x.study").string()};
    InterruptFlag interrupt;
    std::ostringstream err;
    EXPECT_EQ(RunBatch(options, interrupt, err), kExitFailure);
    EXPECT_NE(err.str().find("NO VARIANCE"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "out" / "x_data.TXT").substr(0, 40),
              "case,group,score\r\n1,1,5.000\r\n2,1,5.000\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "x.OUT"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "x_means.DAT"));
}

// The progress line goes where the run's messages go, never around them to
// the process's standard error, so that whoever captures one sees the other
// in the same order: a cleared line before each condition's messages and
// before the last line.
TEST(GridRun, ProgressGoesToTheStreamItWasGiven) {
    ScratchDir dir;
    WriteFile(dir / "g.study", "[group 1]\nmean = 0, 0.5\n[run]\nsamples = 20\n");
    BatchOptions options;
    options.output.outDir = dir / "out";
    options.studies = {(dir / "g.study").string()};
    options.showProgress = true;
    InterruptFlag interrupt;
    std::ostringstream err;
    ::testing::internal::CaptureStderr();
    const int code = RunBatch(options, interrupt, err);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(code, 0) << err.str();
    const std::string text = err.str();
    EXPECT_TRUE(text.starts_with("\r\033[K")) << text;
    EXPECT_NE(text.find("\r\033[K2 conditions in "), std::string::npos) << text;
    std::size_t clears = 0;
    for (auto at = text.find("\r\033[K"); at != std::string::npos;
         at = text.find("\r\033[K", at + 1))
        ++clears;
    EXPECT_GE(clears, 3u) << text;  // one per condition, one at the end
}

// Cells of a grid share their random numbers unless the study asks for
// independent seeds; then each cell has its own seed, written in the
// summary, and that seed alone reruns the cell by hand.
TEST(GridRun, IndependentSeedsGiveEachCellItsOwnNumbersAndARerunnableSeed) {
    ScratchDir dir;
    auto run = [&](const std::string& name, const std::string& study) {
        WriteFile(dir / (name + ".study"), study);
        BatchOptions options;
        options.output = {dir / name, false, true};
        options.summary = (dir / (name + ".csv")).string();
        options.studies = {(dir / (name + ".study")).string()};
        InterruptFlag interrupt;
        std::ostringstream err;
        EXPECT_EQ(RunBatch(options, interrupt, err), 0) << err.str();
    };
    const std::string grid =
        "[run]\nalpha = 0.05, 0.01\nseed = 77\nsamples = 50\nmeans_to_keep = 5\n";
    run("common", grid);
    EXPECT_EQ(ReadFile(dir / "common" / "common-1_means.DAT"),
              ReadFile(dir / "common" / "common-2_means.DAT"));

    run("own", grid + "seeds = independent\n");
    const std::string first = ReadFile(dir / "own" / "own-1_means.DAT");
    const std::string second = ReadFile(dir / "own" / "own-2_means.DAT");
    EXPECT_NE(first, second);
    const std::string seed = std::to_string(ConditionSeed("77", 1));
    EXPECT_NE(seed, std::to_string(ConditionSeed("77", 0)));
    EXPECT_NE(ReadFile(dir / "own.csv").find(",own-2,0.01,ok," + seed + ","), std::string::npos)
        << ReadFile(dir / "own.csv");

    // The second cell by hand, with the seed its summary row gives.
    run("hand", "[run]\nalpha = 0.01\nseed = " + seed + "\nsamples = 50\nmeans_to_keep = 5\n");
    EXPECT_EQ(ReadFile(dir / "hand" / "hand_means.DAT"), second);
    EXPECT_EQ(ReadFile(dir / "hand" / "hand.OUT"), ReadFile(dir / "own" / "own-2.OUT"));
}

// A condition that cannot finish (bounds that leave almost no room for a
// score) is said once after ten seconds of redrawing, even with no terminal,
// and stopped at --max-time: it keeps no file, its status is "time limit",
// the exit code says failure, and the grid goes on with its other condition.
TEST(GridRun, ATimeLimitStopsAConditionThatCannotFinishAndTheGridGoesOn) {
    ScratchDir dir;
    WriteFile(dir / "bad.study",
              "[group 1]\nminimum = -1e-9\nmaximum = 1e-9\n[run]\nsamples = 20\n");
    WriteFile(dir / "good.study", "[run]\nsamples = 20\n");
    BatchOptions options;
    options.output = {dir / "out", false, true};
    options.summary = (dir / "s.csv").string();
    options.studies = {(dir / "bad.study").string(), (dir / "good.study").string()};
    options.jobs = 1;
    options.maxSeconds = 11.5;
    InterruptFlag interrupt;
    std::ostringstream err;
    EXPECT_EQ(RunBatch(options, interrupt, err), kExitFailure);
    const std::string messages = err.str();
    const std::string said = "one case has been redrawn for more than 10 s";
    ASSERT_NE(messages.find(said), std::string::npos) << messages;
    EXPECT_EQ(messages.find(said, messages.find(said) + 1), std::string::npos) << messages;
    EXPECT_NE(messages.find("stopped at its time limit"), std::string::npos) << messages;
    const std::string summary = ReadFile(dir / "s.csv");
    EXPECT_NE(summary.find(",bad,time limit,"), std::string::npos) << summary;
    EXPECT_NE(summary.find(",good,ok,"), std::string::npos) << summary;
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "bad.OUT"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "bad_means.DAT"));
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "good.OUT"));
}

}  // namespace

// --resume keeps a condition only while its record was made for the study
// as it now is: the same grid with other samples runs again in full.
TEST(GridRun, ResumeRerunsConditionsWhoseStudyHasChanged) {
    ScratchDir dir;
    auto runWith = [&](const std::string& samples, bool resume, std::string& messages) {
        WriteFile(dir / "g.study", "[group 1]\nmean = 0, 0.5\n[run]\nsamples = " + samples +
                                       "\nmeans_to_keep = 0\n");
        BatchOptions options;
        options.output.outDir = dir / "out";
        options.summary = (dir / "g.csv").string();
        options.studies = {(dir / "g.study").string()};
        options.resume = resume;
        InterruptFlag interrupt;
        std::ostringstream err;
        const int code = RunBatch(options, interrupt, err);
        messages = err.str();
        return code;
    };
    std::string messages;
    ASSERT_EQ(runWith("20", false, messages), 0) << messages;
    ASSERT_EQ(runWith("30", true, messages), 0) << messages;
    EXPECT_NE(messages.find("skipped 0 of 2"), std::string::npos) << messages;
    const std::string summary = ReadFile(dir / "g.csv");
    EXPECT_NE(summary.find("g-1,0,ok,1432449975,30,"), std::string::npos) << summary;
    EXPECT_NE(summary.find("g-2,0.5,ok,1432449975,30,"), std::string::npos) << summary;
    EXPECT_EQ(ReadFile(dir / "out" / "g-2.OUT").find("20 samples"), std::string::npos);
}

// A condition the window refused is complete as it is: --resume skips it,
// but it stays failed in the summary and in the exit code.
TEST(GridRun, ResumeKeepsAFailedConditionFailed) {
    ScratchDir dir;
    WriteFile(dir / "g.study", "[group 1]\nn = 16, 1\n[run]\nsamples = 20\n");
    BatchOptions options;
    options.output.outDir = dir / "out";
    options.summary = (dir / "g.csv").string();
    options.studies = {(dir / "g.study").string()};
    InterruptFlag interrupt;
    std::ostringstream first;
    ASSERT_EQ(RunBatch(options, interrupt, first), kExitFailure) << first.str();
    const std::string before = ReadFile(dir / "g.csv");
    ASSERT_NE(before.find("g-2,1,failed,"), std::string::npos) << before;

    options.resume = true;
    std::ostringstream second;
    EXPECT_EQ(RunBatch(options, interrupt, second), kExitFailure) << second.str();
    EXPECT_NE(second.str().find("skipped 2 of 2"), std::string::npos) << second.str();
    EXPECT_EQ(ReadFile(dir / "g.csv"), before);
}
