#include "output/save_commands.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "output/data_files.hpp"
#include "output/report_writer.hpp"
#include "output/scratch_dir.hpp"
#include "support/fake_platform.hpp"

namespace velmor {
namespace {

using testing::FakePlatform;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

class SilentConsole final : public Console {
  public:
    void WriteLine(std::string_view) override {}
    void ReadLine() override {}
};

struct Command {
    const char* item;
    const char* runCaption;  // as the run leaves it
    const char* confirmation;
    void (SaveCommands::*click)();
};

const Command kResults{"Save1", "&Save Results", "Results Saved", &SaveCommands::btnSaveClick};
const Command kData{"SaveData1", "Save &Data", "Data Saved", &SaveCommands::btnSaveDataClick};
const Command kMeans{"SaveMeans1", "Save &Means", "Means Saved", &SaveCommands::btnSaveMeansClick};
const Command kAll[] = {kResults, kData, kMeans};

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class SaveCommandsTest : public ::testing::Test {
  protected:
    SaveCommandsTest()
        : replicator(generators, console), save(windows, platform, state, replicator) {
        platform.attach(windows);
        // Sizes 3, 2 and 4: one generated data set of nine cases.
        RunSettings& s = state.settings;
        for (int g = 0; g < kGroups; ++g) {
            s.groups[g].distribution = Distribution::Normal;
            s.groups[g].mean = 50.0 + g;
            s.groups[g].sd = 10.0;
        }
        s.groups[0].size = 3;
        s.groups[1].size = 2;
        s.groups[2].size = 4;
        s.deviateRows = 4;
        s.txtseed = -1432449975;
        s.txtiterations = 10;
        s.txtmeanstokeep = 10;
        s.rdoOnetail = true;
        s.analysisTitle = "3-level Analysis of Variance";
        state.seedText = "-1432449975";
        state.seeds.deviateSeed = s.txtseed;
        generated = replicator.GenerateReplication(s, state.seeds.deviateSeed);
        for (int i = 0; i < 10; ++i)
            for (int g = 0; g < kGroups; ++g) state.tallies.keptMeans[g][i] = i + g / 4.0;
        state.tallies.keptMeansOfLastRun = 10;
        state.tallies.completedReplications = 10;
        // As the end of a run leaves them.
        for (const Command& c : kAll) {
            item(c).setEnabled(true);
            item(c).setCaption(c.runCaption);
        }
    }

    ui::MenuItem& item(const Command& c) { return windows.mainWindow.menus().item(c.item); }
    void click(const Command& c) { (save.*c.click)(); }
    // The item as a run left it: enabled, with its run-time caption.
    void expectUntouched(const Command& c) {
        EXPECT_TRUE(item(c).enabled()) << c.item;
        EXPECT_EQ(item(c).caption(), c.runCaption);
    }

    ui::WindowSet windows;
    FakePlatform platform;
    Replicator::Outcome generated = Replicator::Outcome::Abandoned;
    RunState state;
    RandomGenerators generators;
    SilentConsole console;
    Replicator replicator;
    SaveCommands save;
    ScratchDir dir;
};

TEST_F(SaveCommandsTest, DialogProposesNamesFromTheSeedMagnitude) {
    for (const Command& c : kAll) click(c);
    ASSERT_EQ(platform.count(FakePlatform::Shown::Kind::SaveDialog), 3);
    const auto& r = platform.shown[0].save;
    EXPECT_EQ(r.defaultExtension, "OUT");
    EXPECT_EQ(r.filter, "Text files (*.out,*.dat,*.txt,*.csv)|*.out;*.dat;*.txt;*.csv");
    EXPECT_EQ(r.fileName, "DORVEN_out_1432449975.OUT");
    const auto& d = platform.shown[1].save;
    EXPECT_EQ(d.defaultExtension, "TXT");
    EXPECT_EQ(d.filter, "Text files (*.txt,*.csv,*.dat,*.out)|*.txt;*.csv;*.dat;*.out");
    EXPECT_EQ(d.fileName, "DORVEN_data_1432449975.TXT");
    const auto& m = platform.shown[2].save;
    EXPECT_EQ(m.defaultExtension, "DAT");
    EXPECT_EQ(m.filter, "Text files (*.dat,*.csv,*.txt,*.out)|*.dat;*.csv;*.txt;*.out");
    EXPECT_EQ(m.fileName, "DORVEN_means_1432449975.DAT");
}

TEST_F(SaveCommandsTest, MostNegativeSeedStillHasAMagnitude) {
    EXPECT_EQ(SaveCommands::ProposedName("DORVEN_out_", INT32_MIN, "OUT"),
              "DORVEN_out_2147483648.OUT");
    EXPECT_EQ(SaveCommands::ProposedName("DORVEN_data_", 0, "TXT"), "DORVEN_data_0.TXT");
}

TEST_F(SaveCommandsTest, CancelLeavesEverythingAsItWas) {
    for (const Command& c : kAll) {
        click(c);  // the script is empty: every dialog is cancelled
        expectUntouched(c);
    }
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(SaveCommandsTest, ResultsCloseWithTheAboutBoxTexts) {
    windows.aboutBox.control("Panel2").setText("Copyright line for this test");
    const auto path = dir / "r.OUT";
    platform.saveAnswers.push_back(path.string());
    click(kResults);
    EXPECT_EQ(item(kResults).caption(), "Results Saved");
    EXPECT_FALSE(item(kResults).enabled());
    const std::array<std::string, 3> about = {windows.aboutBox.control("Panel1").text(),
                                              "Copyright line for this test",
                                              windows.aboutBox.control("Panel3").text()};
    EXPECT_EQ(save.aboutLines(), about);
    const auto lines = SplitCrLf(ReadFile(path));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[lines.size() - 4], about[0]);
    EXPECT_EQ(lines[lines.size() - 3], about[1]);
    EXPECT_EQ(lines[lines.size() - 2], about[2]);
    MemoryLineSink expected;
    WriteResultsReport(expected, state, about);
    EXPECT_EQ(ReadFile(path), expected.text());
    // Only the results item changes.
    expectUntouched(kData);
    expectUntouched(kMeans);
}

TEST_F(SaveCommandsTest, DataFileHoldsTheLastDataSet) {
    ASSERT_EQ(generated, Replicator::Outcome::Completed);
    const auto path = dir / "d.TXT";
    platform.saveAnswers.push_back(path.string());
    click(kData);
    EXPECT_EQ(item(kData).caption(), "Data Saved");
    EXPECT_FALSE(item(kData).enabled());
    const auto lines = SplitCrLf(ReadFile(path));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "case,group,score");
    const char groups[] = {'1', '1', '1', '2', '2', '3', '3', '3', '3'};
    const int indexInGroup[] = {0, 1, 2, 0, 1, 0, 1, 2, 3};
    for (int k = 1; k <= 9; ++k) {
        const std::string& line = lines[k];
        const std::string prefix = std::to_string(k) + "," + groups[k - 1] + ",";
        ASSERT_EQ(line.substr(0, prefix.size()), prefix);
        const std::string score = line.substr(prefix.size());
        EXPECT_EQ(score.size() - score.find('.'), 4u) << line;  // three decimals
        double value = 0.0;
        std::from_chars(score.data(), score.data() + score.size(), value);
        const double drawn = replicator.observedScores(groups[k - 1] - '1')[indexInGroup[k - 1]];
        EXPECT_NEAR(value, drawn, 0.0005 + 1e-12) << line;
    }
}

TEST_F(SaveCommandsTest, MeansFileAndItsConfirmation) {
    const auto path = dir / "m.DAT";
    platform.saveAnswers.push_back(path.string());
    click(kMeans);
    EXPECT_EQ(item(kMeans).caption(), "Means Saved");
    EXPECT_FALSE(item(kMeans).enabled());
    const auto lines = SplitCrLf(ReadFile(path));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "sample,mean1,mean2,mean3");
    EXPECT_EQ(lines[10], "10,9.00000,9.25000,9.50000");
}

TEST_F(SaveCommandsTest, FullDiskShowsTheCodeAndKeepsTheItem) {
    for (const Command& c : kAll) {
        platform.saveAnswers.push_back("/dev/full");
        click(c);
        expectUntouched(c);
    }
    EXPECT_EQ(platform.messages(),
              std::vector<std::string>(3, "I/O error " + std::to_string(ENOSPC)));
    EXPECT_EQ(platform.count(FakePlatform::Shown::Kind::PlainMessage), 3);
}

TEST_F(SaveCommandsTest, PermissionDeniedKeepsTheEarlierFileAndTheItem) {
    const auto folder = dir / "locked";
    std::filesystem::create_directory(folder);
    std::vector<std::filesystem::path> earlier;
    for (const char* name : {"r.OUT", "d.TXT", "m.DAT"}) {
        earlier.push_back(folder / name);
        WriteFile(earlier.back(), std::string("earlier ") + name + "\r\n");
        ::chmod(earlier.back().c_str(), 0666);
    }
    ::chmod(folder.c_str(), 0555);
    {
        testing::UnprivilegedScope unprivileged;
        ASSERT_TRUE(unprivileged.ok());
        for (int i = 0; i < 3; ++i) {
            platform.saveAnswers.push_back(earlier[i].string());
            click(kAll[i]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        expectUntouched(kAll[i]);
        EXPECT_EQ(ReadFile(earlier[i]), "earlier " + earlier[i].filename().string() + "\r\n");
    }
    EXPECT_EQ(platform.messages(),
              std::vector<std::string>(3, "I/O error " + std::to_string(EACCES)));
}

TEST_F(SaveCommandsTest, AFailedSaveCanBeRetried) {
    platform.saveAnswers.push_back((dir / "missing" / "r.OUT").string());
    platform.saveAnswers.push_back((dir / "r.OUT").string());
    click(kResults);
    EXPECT_EQ(platform.messages(), std::vector<std::string>{"I/O error " + std::to_string(ENOENT)});
    expectUntouched(kResults);
    click(kResults);
    EXPECT_EQ(item(kResults).caption(), "Results Saved");
    EXPECT_FALSE(item(kResults).enabled());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"r.OUT"});
}

}  // namespace
}  // namespace velmor
