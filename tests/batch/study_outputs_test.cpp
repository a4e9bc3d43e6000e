// A study's files: one that could not be saved says so in the summary, and
// its files are replaced together or not at all.
#include "batch/study_outputs.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
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

TEST(StudyOutputs, ReportThatCannotBeSavedIsNotOkInTheSummary) {
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

TEST(StudyOutputs, StudyFilesAreReplacedTogetherOrNotAtAll) {
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
}  // namespace
