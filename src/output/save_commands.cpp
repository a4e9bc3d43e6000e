#include "output/save_commands.hpp"

#include <cstdlib>
#include <exception>

#include "core/errors.hpp"
#include "output/data_files.hpp"
#include "output/report_writer.hpp"

namespace velmor {

SaveCommands::SaveCommands(ui::WindowSet& windows, ui::Platform& platform, const RunState& state,
                           const Replicator& replicator)
    : windows_(windows), platform_(platform), state_(state), replicator_(replicator) {}

std::string SaveCommands::ProposedName(const char* prefix, std::int32_t seed,
                                       const char* extension) {
    // Widened first: the magnitude of the most negative seed has no int32.
    return prefix + std::to_string(std::llabs(static_cast<long long>(seed))) + "." + extension;
}

void SaveCommands::save(ui::MenuItem& item, ui::SaveDialogRequest request, const char* confirmation,
                        const std::function<void(LineSink&)>& write) {
    try {
        const std::optional<std::string> path = platform_.askSaveFileName(request);
        if (!path) return;
        TextFileSink file(*path);
        write(file);
        file.commit();
    } catch (const IoError& error) {
        platform_.showPlainMessage(error.what());
        return;
    } catch (const std::exception& error) {
        // Nothing but IoError is expected here. Anything else is reported
        // here, so that the item and any earlier file stay as they were.
        platform_.showPlainMessage(UnexpectedErrorMessage(error.what()));
        return;
    }
    item.setCaption(confirmation);
    item.setEnabled(false);
}

void SaveCommands::btnSaveClick() {
    const std::int32_t seed = state_.settings.txtseed;
    ui::SaveDialogRequest request{"OUT",
                                  "Text files (*.out,*.dat,*.txt,*.csv)|*.out;*.dat;*.txt;*.csv",
                                  ProposedName("DORVEN_out_", seed, "OUT")};
    save(windows_.mainWindow.menu.Save1, std::move(request), "Results Saved",
         [this](LineSink& sink) {
             // Copied only once a file was chosen, just before writing.
             const ui::AboutBox& about = windows_.aboutBox;
             aboutLines_ = {about.Panel1.text(), about.Panel2.text(), about.Panel3.text()};
             WriteResultsReport(sink, state_, aboutLines_);
             if (reportAddition_) {
                 for (const std::string& line : reportAddition_(state_)) sink.writeLine(line);
             }
         });
}

void SaveCommands::btnSaveDataClick() {
    const std::int32_t seed = state_.settings.txtseed;
    ui::SaveDialogRequest request{"TXT",
                                  "Text files (*.txt,*.csv,*.dat,*.out)|*.txt;*.csv;*.dat;*.out",
                                  ProposedName("DORVEN_data_", seed, "TXT")};
    save(windows_.mainWindow.menu.SaveData1, std::move(request), "Data Saved",
         [this](LineSink& sink) {
             WriteDataFile(sink, {replicator_.observedScores(0), replicator_.observedScores(1),
                                  replicator_.observedScores(2)});
         });
}

void SaveCommands::btnSaveMeansClick() {
    const std::int32_t seed = state_.settings.txtseed;
    ui::SaveDialogRequest request{"DAT",
                                  "Text files (*.dat,*.csv,*.txt,*.out)|*.dat;*.csv;*.txt;*.out",
                                  ProposedName("DORVEN_means_", seed, "DAT")};
    save(windows_.mainWindow.menu.SaveMeans1, std::move(request), "Means Saved",
         [this](LineSink& sink) { WriteMeansFile(sink, state_); });
}

}  // namespace velmor
