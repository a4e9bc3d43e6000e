#pragma once
// A console that accepts the diagnostics and answers at once, for tests and
// benchmarks where no diagnostic is expected to matter.

#include <string_view>

#include "core/fprobability.hpp"

namespace velmor::testing {

class QuietConsole : public Console {
  public:
    void WriteLine(std::string_view) override {}
    void ReadLine() override {}
};

}  // namespace velmor::testing
