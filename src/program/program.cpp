#include "program/program.hpp"

#include "output/save_commands.hpp"
#include "search/sample_size_search.hpp"
#include "program/coupling.hpp"
#include "program/presets.hpp"

namespace velmor {

Program::Program(ui::Platform& platform, Console* console)
    : platform_(platform),
      ownConsole_(console ? nullptr : std::make_unique<ProcessConsole>()),
      console_(console ? *console : *ownConsole_),
      replicator_(generators_, console_),
      run_(windows_, platform_, state_, generators_, replicator_),
      save_(std::make_unique<SaveCommands>(windows_, platform_, state_, replicator_)),
      search_(std::make_unique<SampleSizeSearch>(windows_, platform_, state_, run_)),
      coupling_(std::make_unique<CouplingRules>(windows_.mainWindow, state_.settings)),
      presets_(std::make_unique<Presets>(windows_, state_, *coupling_)) {
    coupling_->wire();
    wireMenus();
    wireControls();
}

Program::~Program() = default;

template <class F>
void Program::guarded(F&& command) {
    ++commandDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{commandDepth_};
    command();
}

void Program::wireMenus() {
    const ui::MainMenuItems& menu = windows_.mainWindow.menu;
    auto on = [&](ui::MenuItem& item, auto command) {
        item.setCommand([this, command] { guarded(command); });
    };
    on(menu.Save1, [this] { save_->btnSaveClick(); });
    on(menu.SaveData1, [this] { save_->btnSaveDataClick(); });
    on(menu.SaveMeans1, [this] { save_->btnSaveMeansClick(); });
    on(menu.Exit1, [this] { btnQuitClick(); });
    on(menu.Run1, [this] { run_.btnRunClick(); });
    on(menu.GetPower701, [this] { search_->GetPower701Click(); });
    on(menu.GetPower801, [this] { search_->GetPower801Click(); });
    on(menu.GetNforAnyPower1, [this] { search_->GetNforAnyPower1Click(); });
    on(menu.Test10001, [this] { search_->Test10001Click(); });
    on(menu.NoEffect1, [this] { presets_->NoEffect1Click(); });
    on(menu.SmallEffect1, [this] { presets_->Small1Click(); });
    on(menu.MediumEffect1, [this] { presets_->Medium1Click(); });
    on(menu.LargeEffect1, [this] { presets_->Large1Click(); });
    on(menu.Resampled1, [this] { Resampled1Click(); });
    on(menu.Winsorized1, [this] { Winsorized1Click(); });
    on(menu.TypeIIIErrorresults1, [this] { TypeIIIErrorresults1Click(); });
    on(menu.Reset1, [this] { presets_->btnResetClick(); });
    on(menu.ResettoStandardNormal1, [this] { presets_->ResettoStandardNormal1Click(); });
    on(menu.ResettoNormalIQtype1, [this] { presets_->ResettoNormalIQtype1Click(); });
    on(menu.ResettoNormalTscores1, [this] { presets_->ResettoNormalTscores1Click(); });
    on(menu.ResettoCEEBSATscores1, [this] { presets_->ResettoCEEBSATscores1Click(); });
    on(menu.ResettoUniform011, [this] { presets_->ResettoUniform011Click(); });
    on(menu.ResettoUniformMean01, [this] { presets_->ResettoUniformMean01Click(); });
    on(menu.ResettoUniformUID331, [this] { presets_->ResettoUniformUID331Click(); });
    on(menu.ResettoUniform01001, [this] { presets_->ResettoUniform01001Click(); });
    on(menu.UserAgreement1, [this] { UserAgreement1Click(); });
    on(menu.About1, [this] { btnAboutClick(); });
    // "Get N for Power = .90" and "Help" carry no command: choosing them does nothing.
}

void Program::wireControls() {
    const ui::RunPanelControls& panel = windows_.mainWindow.runPanel;
    panel.SpeedButtonRun.setHandler([this] { guarded([this] { run_.SpeedButtonRunClick(); }); });
    // The stop button acts while a run is in progress; it only raises a flag.
    panel.btnStopRun.setHandler([this] { run_.btnStopRunClick(); });
    windows_.powerBox.btnOK.setHandler([this] { search_->btnOKClick(); });
}

bool Program::pressShortcut(std::string_view key) {
    return windows_.mainWindow.menus().pressShortcut(key);
}

void Program::txtseedKeyPress(bool producesCharacter) {
    if (producesCharacter) windows_.mainWindow.monteCarlo.chkInc.setChecked(false);
}

void Program::btnQuitClick() {
    platform_.closeMainWindow();
}

void Program::Resampled1Click() {
    const ui::MainMenuItems& menu = windows_.mainWindow.menu;
    menu.Resampled1.setChecked(true);
    menu.Winsorized1.setChecked(false);
}

void Program::Winsorized1Click() {
    const ui::MainMenuItems& menu = windows_.mainWindow.menu;
    menu.Winsorized1.setChecked(true);
    menu.Resampled1.setChecked(false);
}

void Program::TypeIIIErrorresults1Click() {
    state_.settings.TypeIIIErrorresults1 = !state_.settings.TypeIIIErrorresults1;
    windows_.mainWindow.menu.TypeIIIErrorresults1.setChecked(state_.settings.TypeIIIErrorresults1);
}

void Program::btnAboutClick() {
    platform_.showModal(ui::DialogId::About);
}

void Program::UserAgreement1Click() {
    platform_.showModal(ui::DialogId::UserAgreement);
}

}  // namespace velmor
