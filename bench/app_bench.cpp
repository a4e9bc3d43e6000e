// Whole-run speed through the desktop front end. A default run (10000 samples
// of 16) through the real Qt window, with its widgets mirrored, its events
// handled and the window repainted, is paired with its floor: the same run
// through the window model with a scripted platform that draws nothing. The
// ratio of the two is the front end's cost; it should stay at or below 1.15.

#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <chrono>
#include <ctime>

#include "app/application.hpp"
#include "support/fake_platform.hpp"
#include "support/quiet_console.hpp"
#include "program/program.hpp"

namespace velmor {
namespace {

QApplication& Toolkit() {
    static QApplication* toolkit = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "velmor-app-bench";
        static char* argv[] = {name, nullptr};
        auto* created = new QApplication(argc, argv);
        app::ConfigureToolkit(*created);
        return created;
    }();
    return *toolkit;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// CPU time of this thread: on a shared machine it counts the work alone,
// where wall time also counts the waits for a core.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Timing {
    double wall = 0;
    double cpu = 0;
    Timing& operator+=(const Timing& other) {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

template <class Work>
Timing Timed(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    work();
    return {Seconds(std::chrono::steady_clock::now() - start), ThreadCpuSeconds() - cpuStart};
}

// One default run through the model alone.
Timing ModelRun(Program& program) {
    return Timed([&] { program.pressShortcut("F5"); });
}

// One default run as the user starts it, RUN clicked, until the window shows
// the end of the run.
Timing WindowRun(app::Application& application, QAbstractButton& run, Timing* finish = nullptr) {
    return Timed([&] {
        run.click();
        const Timing shown = Timed([&] {
            application.mainWindow().refresh();
            QCoreApplication::processEvents();
        });
        if (finish) *finish += shown;
    });
}

void BM_DefaultRunModelOnly(benchmark::State& state) {
    testing::FakePlatform platform;
    velmor::testing::QuietConsole console;
    Program program(platform, &console);
    platform.attach(program.windows());
    for (auto _ : state) state.SetIterationTime(ModelRun(program).wall);
}
BENCHMARK(BM_DefaultRunModelOnly)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DefaultRunThroughWindow(benchmark::State& state) {
    Toolkit();
    app::Application application;
    application.show();
    if (!QTest::qWaitForWindowExposed(&application.mainWindow())) {
        state.SkipWithError("the window was never shown");
        return;
    }
    auto* run = application.mainWindow().view().widgetAs<QAbstractButton>("SpeedButtonRun");
    for (auto _ : state) state.SetIterationTime(WindowRun(application, *run).wall);
}
BENCHMARK(BM_DefaultRunThroughWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both in turns, so that both see the same machine load; reports the ratio.
void BM_WindowOverModel(benchmark::State& state) {
    Toolkit();
    testing::FakePlatform platform;
    velmor::testing::QuietConsole console;
    Program program(platform, &console);
    platform.attach(program.windows());
    app::Application application;
    application.show();
    if (!QTest::qWaitForWindowExposed(&application.mainWindow())) {
        state.SkipWithError("the window was never shown");
        return;
    }
    auto* run = application.mainWindow().view().widgetAs<QAbstractButton>("SpeedButtonRun");
    Timing model, window, finish;
    const long long passesBefore = application.platform().eventPasses();
    const auto eventTimeBefore = application.platform().eventTime();
    for (auto _ : state) {
        model += ModelRun(program);
        const Timing windowRun = WindowRun(application, *run, &finish);
        window += windowRun;
        state.SetIterationTime(windowRun.wall);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["model_ms"] = 1000 * model.wall / runs;
    state.counters["window_ms"] = 1000 * window.wall / runs;
    state.counters["ratio"] = window.wall / model.wall;
    state.counters["cpu_ratio"] = window.cpu / model.cpu;
    // The repaint of the unlocked window with its results, after the run.
    state.counters["finish_ms"] = 1000 * finish.wall / runs;
    state.counters["event_passes"] =
        static_cast<double>(application.platform().eventPasses() - passesBefore) / runs;
    state.counters["events_ms"] =
        1000 * Seconds(application.platform().eventTime() - eventTimeBefore) / runs;
}
BENCHMARK(BM_WindowOverModel)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
}  // namespace velmor
