// Saving what real runs leave behind: the Run command drives the window model,
// then the save commands write from its state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/data_files.hpp"
#include "output/save_commands.hpp"
#include "output/scratch_dir.hpp"
#include "support/run_fixture.hpp"

namespace velmor {
namespace {

class SavedRun : public ::testing::Test, protected testing::RunFixture {
  protected:
    SavedRun() : save(windows, platform, state, replicator) {}

    // A first run whose 200 kept means a later, shorter run must not borrow.
    void earlierFullRun() {
        set("txtiterations", "200");
        set("txtmeanstokeep", "200");
        run.btnRunClick();
        ASSERT_EQ(state.tallies.completedReplications, 200);
    }
    std::vector<std::string> meansLines() {
        MemoryLineSink sink;
        WriteMeansFile(sink, state);
        return sink.lines;
    }

    SaveCommands save;
    testing::ScratchDir dir;
};

TEST_F(SavedRun, StoppedRunSavesOnlyTheMeansItComputed) {
    earlierFullRun();
    const double earlierMean38 = state.tallies.keptMeans[0][37];
    // The pump count runs on across runs; the 38th of this run comes just
    // before its replication 38.
    const long long before = platform.eventPumps;
    platform.onEvents = [this, before](long long n) {
        if (n == before + 38) run.btnStopRunClick();
    };
    run.btnRunClick();
    ASSERT_EQ(state.tallies.completedReplications, 37);
    // The arrays still hold the earlier run's 38th mean...
    EXPECT_EQ(state.tallies.keptMeans[0][37], earlierMean38);
    // ...which the file leaves out.
    const auto path = dir / "m.DAT";
    platform.saveAnswers.push_back(path.string());
    save.btnSaveMeansClick();
    const std::string text = testing::ReadFile(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 38);
    EXPECT_NE(text.find("\r\n37,"), std::string::npos);
    EXPECT_EQ(text.find("\r\n38,"), std::string::npos);
    EXPECT_EQ(main().menus().item("SaveMeans1").caption(), "Means Saved");
}

TEST_F(SavedRun, RunEndedByNoVarianceOwnsOnlyTheMeansBeforeIt) {
    earlierFullRun();
    set("txtsd1", "0.0001");
    control("chkInteger1").setChecked(true);
    run.btnRunClick();
    ASSERT_TRUE(state.flags.noVariance);
    // Every completed replication before the one without variance, and no
    // mean of the earlier run.
    const auto lines = meansLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "sample,mean1,mean2,mean3");
    EXPECT_LT(lines.size(), 200u);
    EXPECT_EQ(static_cast<std::int64_t>(lines.size()) - 1, state.tallies.keptMeansOfLastRun);
}

TEST_F(SavedRun, DataFileOfTheLastRunHasOneLinePerCase) {
    set("txtNsize1", "3");
    set("txtNsize2", "2");
    set("txtNsize3", "4");
    set("txtiterations", "5");
    run.btnRunClick();
    ASSERT_EQ(state.tallies.completedReplications, 5);
    const auto path = dir / "d.TXT";
    platform.saveAnswers.push_back(path.string());
    save.btnSaveDataClick();
    const std::string text = testing::ReadFile(path);
    EXPECT_EQ(text.substr(0, 18), "case,group,score\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
    EXPECT_NE(text.find("\r\n3,1,"), std::string::npos);
    EXPECT_NE(text.find("\r\n5,2,"), std::string::npos);
    EXPECT_NE(text.find("\r\n9,3,"), std::string::npos);
    EXPECT_EQ(main().menus().item("SaveData1").caption(), "Data Saved");
    EXPECT_FALSE(main().menus().item("SaveData1").enabled());
}

}  // namespace
}  // namespace velmor
