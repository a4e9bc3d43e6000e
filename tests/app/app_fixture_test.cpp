// The waiting expectations of the GUI tests: they pass once the event loop
// has made a condition true, and they fail, as GoogleTest failures, when it
// never does. (QtTest's QTRY_ macros returned from the test instead, which
// GoogleTest counted as a pass.)

#include "app_fixture.hpp"

#include <gtest/gtest-spi.h>

#include <QTimer>

namespace velmor::testing {
namespace {

class EventuallyTest : public ::testing::Test {
  protected:
    void SetUp() override { TestToolkit(); }
};

TEST_F(EventuallyTest, PassesOnceTheEventLoopHasMadeTheConditionTrue) {
    bool fired = false;
    int count = 0;
    QTimer::singleShot(30, [&] {
        fired = true;
        count = 3;
    });
    EXPECT_FALSE(fired);  // only the event loop sets it
    EXPECT_EVENTUALLY_TRUE(fired);
    EXPECT_EVENTUALLY_EQ(count, 3);
}

TEST_F(EventuallyTest, AConditionThatNeverHoldsIsAFailure) {
    EXPECT_NONFATAL_FAILURE(EXPECT_EVENTUALLY_TRUE_WITHIN(100, 1 + 1 == 3), "still false after");
    EXPECT_NONFATAL_FAILURE(EXPECT_EVENTUALLY_EQ_WITHIN(100, 2 + 2, 5), "still different after");
}

TEST_F(EventuallyTest, AFailureDoesNotEndTheTest) {
    // A QTRY_ macro would have returned here; what follows a failed wait
    // still runs. (The statement checked for failures can see statics only.)
    static bool reached;
    reached = false;
    EXPECT_NONFATAL_FAILURE(
        {
            EXPECT_EVENTUALLY_TRUE_WITHIN(50, false);
            reached = true;
        },
        "still false after");
    EXPECT_TRUE(reached);
}

}  // namespace
}  // namespace velmor::testing
