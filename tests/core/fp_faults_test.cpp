// Floating-point faults surface as FloatingPointFault with the user's text.

#include "core/fp_faults.hpp"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <thread>

#include "core/errors.hpp"

namespace velmor {
namespace {

// Volatile operands keep the compiler from folding the faulting operations.
volatile double zero = 0.0;
volatile double one = 1.0;
volatile double largest = DBL_MAX;
volatile double sink = 0.0;

std::string FaultMessage() {
    try {
        RaiseFloatingPointFaults();
    } catch (const FloatingPointFault& fault) {
        return fault.what();
    }
    return "(no fault)";
}

class FloatingPointFaults : public ::testing::Test {
  protected:
    void SetUp() override { ClearFloatingPointFaults(); }
    void TearDown() override { ClearFloatingPointFaults(); }
};

TEST_F(FloatingPointFaults, OverflowHasItsMessage) {
    sink = largest * 2.0;
    EXPECT_EQ(FaultMessage(), "Floating point overflow");
}

TEST_F(FloatingPointFaults, DivisionByZeroHasItsMessage) {
    sink = one / zero;
    EXPECT_EQ(FaultMessage(), "Floating point division by zero");
}

TEST_F(FloatingPointFaults, InvalidOperationHasItsMessage) {
    sink = zero / zero;
    EXPECT_EQ(FaultMessage(), "Invalid floating point operation");
}

TEST_F(FloatingPointFaults, ExtendedPrecisionFaultsAreSeenToo) {
    volatile long double x = -1.0L;
    sink = static_cast<double>(std::log(x));
    EXPECT_EQ(FaultMessage(), "Invalid floating point operation");
    volatile long double big = 1e4000L;
    sink = static_cast<double>(big);  // too large for a double
    EXPECT_EQ(FaultMessage(), "Floating point overflow");
}

TEST_F(FloatingPointFaults, CleanArithmeticAndHarmlessFlagsDoNotThrow) {
    sink = one / 3.0;  // inexact
    volatile double tiny = DBL_MIN;
    sink = tiny * tiny;  // underflow is not a fault
    EXPECT_NO_THROW(RaiseFloatingPointFaults());
}

TEST_F(FloatingPointFaults, RaisingClearsTheFlags) {
    sink = one / zero;
    EXPECT_THROW(RaiseFloatingPointFaults(), FloatingPointFault);
    EXPECT_NO_THROW(RaiseFloatingPointFaults());
}

TEST_F(FloatingPointFaults, ConsequenceIsNotReportedBeforeItsCause) {
    // Overflow to infinity, then infinity - infinity: the overflow is named.
    const double inf = largest * 2.0;
    sink = inf - inf;
    EXPECT_EQ(FaultMessage(), "Floating point overflow");
    // Division by zero, then infinity * 0.
    const double pole = one / zero;
    sink = pole * zero;
    EXPECT_EQ(FaultMessage(), "Floating point division by zero");
}

TEST_F(FloatingPointFaults, FaultsOfAnotherThreadAreHandedOverAndRaisedHere) {
    // The flags are per thread: a fault on a helper thread is invisible here
    // until it is taken there and set here.
    int taken = 0;
    std::thread helper([&] {
        ClearFloatingPointFaults();
        sink = largest * 2.0;
        sink = one / zero;
        taken = TakeFloatingPointFaults();
        // Taking clears them on that thread.
        EXPECT_EQ(TakeFloatingPointFaults(), 0);
    });
    helper.join();
    EXPECT_EQ(FaultMessage(), "(no fault)");
    SetFloatingPointFaults(taken);
    EXPECT_EQ(FaultMessage(), "Floating point overflow");
    SetFloatingPointFaults(0);
    EXPECT_EQ(FaultMessage(), "(no fault)");
}

}  // namespace
}  // namespace velmor
