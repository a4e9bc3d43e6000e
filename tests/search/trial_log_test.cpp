// The search's log of its trials: one entry for every trial that completed
// replications, with what that run used and found, kept until the next search.
#include <gtest/gtest.h>

#include "search/sample_size_search.hpp"
#include "search/search_fixture.hpp"

namespace velmor {
namespace {

class TrialLogTest : public ::testing::Test, protected testing::SearchRig {};

TEST_F(TrialLogTest, EveryCompletedTrialIsLoggedAsItRan) {
    mediumEffect();
    // The sizes and plan of each run, read while its replications run.
    std::vector<SearchTrial> seen;
    platform.onEvents = [this, &seen](long long) {
        const auto& g = state.settings.groups;
        const GroupSizes sizes{g[0].size, g[1].size, g[2].size};
        if (text("txtrej1").empty())
            seen.push_back({sizes, state.settings.txtiterations, 0, 0, 0.0});
    };
    search.GetPower801Click();
    const std::vector<SearchTrial>& log = search.trialLog();
    ASSERT_EQ(static_cast<int>(log.size()), search.trialsRun());
    ASSERT_EQ(log.size(), seen.size());
    std::int64_t all = 0;
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].sizes, seen[i].sizes) << "trial " << i + 1;
        EXPECT_EQ(log[i].samplesPlanned, seen[i].samplesPlanned) << "trial " << i + 1;
        EXPECT_EQ(log[i].samplesCompleted, log[i].samplesPlanned);
        EXPECT_DOUBLE_EQ(log[i].proportion,
                         static_cast<double>(log[i].rejections) / log[i].samplesCompleted);
        all += log[i].samplesCompleted;
    }
    EXPECT_EQ(all, search.replicationsRun());
    EXPECT_EQ(log.back().rejections, state.tallies.rejections);
    EXPECT_EQ(search.searchesStarted(), 1);
}

TEST_F(TrialLogTest, StoppedTrialShowsItsShortfallAndTheNextSearchStartsAfresh) {
    mediumEffect();
    clickStopAtPump(150);  // inside the second trial (the first makes 100)
    search.GetPower801Click();
    const std::vector<SearchTrial> stopped = search.trialLog();
    ASSERT_EQ(stopped.size(), 2u);
    EXPECT_EQ(stopped[0].samplesCompleted, 100);
    EXPECT_LT(stopped[1].samplesCompleted, stopped[1].samplesPlanned);
    EXPECT_GT(stopped[1].samplesCompleted, 0);

    // Refused for equal means: no trial, an empty log, yet a search started.
    platform.onEvents = {};
    set("txtmean1", "0");
    set("txtmean3", "0");
    search.GetPower801Click();
    EXPECT_TRUE(search.trialLog().empty());
    EXPECT_EQ(search.searchesStarted(), 2);
}

}  // namespace
}  // namespace velmor
