#pragma once
// A Run command wired to a window model, real generators and a scripted
// platform: what the run, search and output tests drive end to end.

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "core/fprobability.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"
#include "core/replication_pipeline.hpp"
#include "core/usable_cores.hpp"
#include "window_model/windows.hpp"
#include "run/run_controller.hpp"
#include "run/run_state.hpp"
#include "support/fake_platform.hpp"

namespace velmor::testing {

// A console that nobody reads: the diagnostics are never reached by a run.
class SilentConsole : public Console {
  public:
    void WriteLine(std::string_view) override {
        throw std::logic_error("unexpected console output");
    }
    void ReadLine() override { throw std::logic_error("unexpected console input"); }
};

struct RunFixture {
    RunFixture()
        : platform(&windows),
          replicator(generators, console),
          run(windows, platform, state, generators, replicator) {
        windows.mainWindow.control("btnStopRun").setHandler([this] { run.btnStopRunClick(); });
        // As the program decides: so the run, search and output tests cover
        // the pipelined runs, and with VELMOR_THREADS=1 the single-threaded ones.
        run.setPipelineAllowed(
            PipelineThreadsAvailable(std::getenv("VELMOR_THREADS"), UsableCores()));
        // The coupling rules keep these flags; the run tests set them directly.
        for (auto& g : state.settings.groups) {
            g.distribution = Distribution::Normal;
        }
    }
    ui::MainWindow& main() { return windows.mainWindow; }
    ui::Control& control(std::string_view name) { return windows.mainWindow.control(name); }
    const std::string& text(std::string_view name) {
        return windows.mainWindow.control(name).text();
    }
    void set(std::string_view name, std::string_view text) {
        windows.mainWindow.control(name).setText(text);
    }

    ui::WindowSet windows;
    FakePlatform platform;
    RunState state;
    RandomGenerators generators;
    SilentConsole console;
    Replicator replicator;
    RunController run;
};

}  // namespace velmor::testing
