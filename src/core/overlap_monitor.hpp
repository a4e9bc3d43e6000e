#pragma once
// Whether a pipelined run's two threads really run side by side. They pay
// only then: on a machine whose cores are busy with other work they mostly
// take turns, each waiting for a core and then for the other, and a run is
// slower than on one thread (by a third to a half with every core busy). The
// monitor weighs windows of pipelined time, however many runs they span,
// by comparing the time that passed with the processor time both threads
// used in it; after windows in a row where they overlapped too little it
// says to go on on one thread, and for a while it says not to start a
// second one. Readings are passed in, in seconds, so that the rule itself
// needs no clock and no thread.

namespace velmor {

// Whether a window `wallSeconds` long, in which the run's own thread used
// `consumerSeconds` of processor time and the producer `producerSeconds`,
// went fast enough to keep two threads. Side by side, two threads take
// about the longer of their two times; one after the other, the sum, which
// is what one thread would take. Waiting spins count as processor time, so
// even a pipeline running well shows a sum above what one thread would use;
// nine tenths of the sum leaves room for that, and gives up no more than a
// tenth where the second thread only just pays.
bool OverlapPays(double wallSeconds, double consumerSeconds, double producerSeconds);

class OverlapMonitor {
  public:
    // A window spans at least this much pipelined time: many scheduler time
    // slices, so that one slice lost to another program does not decide.
    static constexpr double kWindowSeconds = 0.010;
    // Windows in a row that must overlap too little before one thread is the rule.
    static constexpr int kPoorWindows = 2;
    // How long after that no second thread is started: the other work may end.
    static constexpr double kRetrySeconds = 1.0;

    // Whether a producer may start at `wall` (not while backing off).
    bool mayStart(double wall) const { return wall >= retryAt_; }

    // A producer starts: `producer` readings from here on are its thread's
    // processor time since it started.
    void stretchBegins(double wall, double consumer);
    // A look while it runs. True when the producer should end now.
    bool look(double wall, double consumer, double producer);
    // The producer has ended, having used `producer` in all. What the
    // stretch adds to the window under way carries over to the next one.
    void stretchEnds(double wall, double consumer, double producer);

  private:
    // The window under way: what finished stretches gave it, and the
    // readings where the running stretch's part of it began.
    double carriedWall_ = 0, carriedConsumer_ = 0, carriedProducer_ = 0;
    double markWall_ = 0, markConsumer_ = 0, markProducer_ = 0;
    int poorInARow_ = 0;
    double retryAt_ = 0;  // no producer starts before this
};

}  // namespace velmor
