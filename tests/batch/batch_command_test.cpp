// What the batch writes when things go wrong: a study that could not be saved
// says so in the summary, a study's files are replaced together or not at
// all, clashing outputs stop the batch before it runs, and an output folder
// that cannot be used is named in plain words.
#include "batch/batch_command.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <variant>

#include "batch/summary.hpp"
#include "output/scratch_dir.hpp"

using namespace velmor::batch;
using velmor::testing::ReadFile;
using velmor::testing::ScratchDir;
using velmor::testing::UnprivilegedScope;
using velmor::testing::WriteFile;

namespace {

StudyOutcome RunText(const std::string& text) {
    auto parsed = ParseStudy("x.study", text);
    EXPECT_TRUE(std::holds_alternative<Study>(parsed));
    return RunStudy(std::get<Study>(parsed));
}

const std::string kQuickStudy = "[run]\nsamples = 20\nmeans_to_keep = 5\n";

TEST(BatchCommand, ReportThatCannotBeSavedIsNotOkInTheSummary) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "out");
    ::chmod((dir / "out").c_str(), 0555);
    StudyOutcome outcome = RunText(kQuickStudy);
    ASSERT_TRUE(outcome.ok());
    InterruptFlag interrupt;
    {
        UnprivilegedScope nobody;
        ASSERT_TRUE(nobody.ok());
        SaveStudyFiles(outcome, TargetsFor("x", {dir / "out", false, false}), interrupt);
    }
    EXPECT_EQ(outcome.status, StudyStatus::SaveFailed);
    EXPECT_EQ(outcome.saveFailure,
              "I/O error 13 (Permission denied) writing " + (dir / "out" / "x.OUT").string());
    const std::string row = ResultCells(outcome);
    EXPECT_EQ(row.substr(0, 22), "save failed,1432449975");
    // The folder is not named, so the summary reads the same wherever it went.
    // The seven search columns (empty without a search) precede the message,
    // and the five Monte Carlo columns follow it.
    EXPECT_NE(row.find(",no,I/O error 13 writing x.OUT," + outcome.details.mcSe + ","),
              std::string::npos);
}

TEST(BatchCommand, StudyFilesAreReplacedTogetherOrNotAtAll) {
    ScratchDir dir;
    WriteFile(dir / "x.OUT", "the report of an earlier run\r\n");
    WriteFile(dir / "x_data.TXT", "the data of an earlier run\r\n");
    // The means file's disk is full: it fails after the others were written.
    std::filesystem::create_symlink("/dev/full", dir / "x_means.DAT");
    StudyOutcome outcome = RunText(kQuickStudy);
    InterruptFlag interrupt;
    SaveStudyFiles(outcome, TargetsFor("x", {dir.path(), true, true}), interrupt);
    EXPECT_EQ(outcome.status, StudyStatus::SaveFailed);
    EXPECT_EQ(outcome.saveError, "I/O error 28 writing x_means.DAT");
    EXPECT_EQ(ReadFile(dir / "x.OUT"), "the report of an earlier run\r\n");
    EXPECT_EQ(ReadFile(dir / "x_data.TXT"), "the data of an earlier run\r\n");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"x.OUT", "x_data.TXT", "x_means.DAT"}));
}

TEST(BatchCommand, ClashingOutputsStopTheBatchBeforeItRuns) {
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

TEST(BatchCommand, OutputFolderThatIsAFileIsNamed) {
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

TEST(BatchCommand, NoVarianceStudyWritesTheDataFileItAsksToVerify) {
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

}  // namespace

// --resume keeps a condition only while its record was made for the study
// as it now is: the same grid with other samples runs again in full.
TEST(BatchCommand, ResumeRerunsConditionsWhoseStudyHasChanged) {
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
TEST(BatchCommand, ResumeKeepsAFailedConditionFailed) {
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
