#pragma once
// The three save commands of the File menu: the results report, the last data
// set and the kept means, each through the window's one save dialog.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/replication.hpp"
#include "output/line_sink.hpp"
#include "run/run_state.hpp"
#include "window_model/platform.hpp"
#include "window_model/windows.hpp"

namespace velmor {

class SaveCommands {
  public:
    // Reads the run state and the last replication's scores; changes nothing
    // but the three menu items and its copy of the About box lines.
    SaveCommands(ui::WindowSet& windows, ui::Platform& platform, const RunState& state,
                 const Replicator& replicator);

    // Each command proposes a name from the seed of the last run, asks for the
    // file, writes it and on success shows its confirmation caption on the
    // menu item and disables it until the next run. A cancelled dialog changes
    // nothing. A failed write shows "I/O error N" (N the system's error code),
    // leaves the item as it was and any earlier file intact. None throws.
    void btnSaveClick();       // Save1
    void btnSaveDataClick();   // SaveData1
    void btnSaveMeansClick();  // SaveMeans1

    // Lines a results report gains after its standard content (none by
    // default); the program object supplies them from the layer above.
    using ReportAddition = std::function<std::vector<std::string>(const RunState&)>;
    void setReportAddition(ReportAddition addition) { reportAddition_ = std::move(addition); }

    // The About box texts the last results report closed with.
    const std::array<std::string, 3>& aboutLines() const { return aboutLines_; }

    // The proposed file name: prefix, |seed| in decimal, extension.
    static std::string ProposedName(const char* prefix, std::int32_t seed, const char* extension);

  private:
    void save(ui::MenuItem& item, ui::SaveDialogRequest request, const char* confirmation,
              const std::function<void(LineSink&)>& write);

    ui::WindowSet& windows_;
    ui::Platform& platform_;
    const RunState& state_;
    const Replicator& replicator_;
    std::array<std::string, 3> aboutLines_;
    ReportAddition reportAddition_;
};

}  // namespace velmor
