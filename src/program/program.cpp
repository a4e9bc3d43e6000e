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

template <class F>
void Program::analysis(Analysis kind, F&& command) {
    if (analysisObserver_.started) analysisObserver_.started(kind);
    const int searchesBefore = search_->searchesStarted();
    guarded(command);
    // F9 cancelled in Set Power starts no search; the last analysis stands.
    const bool ran = kind != Analysis::Search || search_->searchesStarted() != searchesBefore;
    if (ran) lastAnalysis_ = kind;
    if (analysisObserver_.finished) analysisObserver_.finished(ran ? kind : Analysis::None);
}

void Program::wireMenus() {
    ui::MenuBar& menus = windows_.mainWindow.menus();
    auto on = [&](const char* item, auto command) {
        menus.item(item).setCommand([this, command] { guarded(command); });
    };
    on("Save1", [this] { save_->btnSaveClick(); });
    on("SaveData1", [this] { save_->btnSaveDataClick(); });
    on("SaveMeans1", [this] { save_->btnSaveMeansClick(); });
    on("Exit1", [this] { btnQuitClick(); });
    auto onAnalysis = [&](const char* item, Analysis kind, auto command) {
        menus.item(item).setCommand([this, kind, command] { analysis(kind, command); });
    };
    onAnalysis("Run1", Analysis::Run, [this] { run_.btnRunClick(); });
    onAnalysis("GetPower701", Analysis::Search, [this] { search_->GetPower701Click(); });
    onAnalysis("GetPower801", Analysis::Search, [this] { search_->GetPower801Click(); });
    onAnalysis("GetNforAnyPower1", Analysis::Search, [this] { search_->GetNforAnyPower1Click(); });
    on("Test10001", [this] { search_->Test10001Click(); });
    on("NoEffect1", [this] { presets_->NoEffect1Click(); });
    on("SmallEffect1", [this] { presets_->Small1Click(); });
    on("MediumEffect1", [this] { presets_->Medium1Click(); });
    on("LargeEffect1", [this] { presets_->Large1Click(); });
    on("Resampled1", [this] { Resampled1Click(); });
    on("Winsorized1", [this] { Winsorized1Click(); });
    on("TypeIIIErrorresults1", [this] { TypeIIIErrorresults1Click(); });
    on("Reset1", [this] { presets_->btnResetClick(); });
    on("ResettoStandardNormal1", [this] { presets_->ResettoStandardNormal1Click(); });
    on("ResettoNormalIQtype1", [this] { presets_->ResettoNormalIQtype1Click(); });
    on("ResettoNormalTscores1", [this] { presets_->ResettoNormalTscores1Click(); });
    on("ResettoCEEBSATscores1", [this] { presets_->ResettoCEEBSATscores1Click(); });
    on("ResettoUniform011", [this] { presets_->ResettoUniform011Click(); });
    on("ResettoUniformMean01", [this] { presets_->ResettoUniformMean01Click(); });
    on("ResettoUniformUID331", [this] { presets_->ResettoUniformUID331Click(); });
    on("ResettoUniform01001", [this] { presets_->ResettoUniform01001Click(); });
    on("UserAgreement1", [this] { UserAgreement1Click(); });
    on("About1", [this] { btnAboutClick(); });
    // "Get N for Power = .90" and "Help" carry no command: choosing them does nothing.
}

void Program::wireControls() {
    ui::MainWindow& w = windows_.mainWindow;
    w.control("SpeedButtonRun").setHandler([this] {
        analysis(Analysis::Run, [this] { run_.SpeedButtonRunClick(); });
    });
    // The stop button acts while a run is in progress; it only raises a flag.
    w.control("btnStopRun").setHandler([this] { run_.btnStopRunClick(); });
    windows_.powerBox.control("btnOK").setHandler([this] { search_->btnOKClick(); });
}

bool Program::pressShortcut(std::string_view key) { return windows_.mainWindow.menus().pressShortcut(key); }

void Program::txtseedKeyPress(bool producesCharacter) {
    if (producesCharacter) windows_.mainWindow.control("chkInc").setChecked(false);
}

void Program::btnQuitClick() { platform_.closeMainWindow(); }

void Program::Resampled1Click() {
    ui::MenuBar& menus = windows_.mainWindow.menus();
    menus.item("Resampled1").setChecked(true);
    menus.item("Winsorized1").setChecked(false);
}

void Program::Winsorized1Click() {
    ui::MenuBar& menus = windows_.mainWindow.menus();
    menus.item("Winsorized1").setChecked(true);
    menus.item("Resampled1").setChecked(false);
}

void Program::TypeIIIErrorresults1Click() {
    state_.settings.TypeIIIErrorresults1 = !state_.settings.TypeIIIErrorresults1;
    windows_.mainWindow.menus().item("TypeIIIErrorresults1").setChecked(state_.settings.TypeIIIErrorresults1);
}

void Program::btnAboutClick() { platform_.showModal(ui::DialogId::About); }

void Program::UserAgreement1Click() { platform_.showModal(ui::DialogId::UserAgreement); }

}  // namespace velmor
