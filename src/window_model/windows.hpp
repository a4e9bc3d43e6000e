#pragma once
// The program's five windows as models, created once in start-up order: the
// main window first, then the About box, the Information dialog, the Set
// Power dialog and the User Agreement viewer.

#include <array>
#include <string>

#include "window_model/form.hpp"
#include "window_model/menu.hpp"

namespace velmor::ui {

// The window's three groups, numbered 1 to 3 in the control names.
inline constexpr int kGroupBoxes = 3;

// Texts the window starts with and that Reset to Defaults and the run write
// back; each exists here once.
namespace texts {
inline constexpr const char* kDefaultMean = "0.0";
inline constexpr const char* kDefaultSd = "1.0";
inline constexpr const char* kDefaultSize = "16";
inline constexpr const char* kDefaultReliability = "1.0";
inline constexpr const char* kDefaultAlpha = ".05";
inline constexpr const char* kDefaultSeed = "1432449975";
inline constexpr const char* kDefaultIterations = "10000";
inline constexpr const char* kDefaultMeansToKeep = "1000";
inline constexpr const char* kRunPrompt = "Press F5 to Run Analysis or click ->";
inline constexpr const char* kStopCaption = "Click Here to STOP Processing";
}  // namespace texts

// The controls of one group box, resolved when the window is built. The
// comments give group 1's names where the labels are named irregularly.
struct GroupControls {
    Control& box;                // boxgroup1
    Control& meanLabel;          // lblgroup1mean
    Control& txtmean;            // txtmean1
    Control& sdLabel;            // Label2
    Control& txtsd;              // txtsd1
    Control& sizeLabel;          // Label15
    Control& txtNsize;           // txtNsize1
    Control& distributionLabel;  // Label11
    Control& rdoNormal;          // rdoNormal1
    Control& rdoUniform;         // rdoUniform1
    Control& reliabilityLabel;   // Label10
    Control& txtReliability;     // txtReliability1
    Control& chkInteger;         // chkInteger1
    Control& chkMin;             // chkMin1
    Control& txtMin;             // txtMin1
    Control& chkMax;             // chkMax1
    Control& txtMax;             // txtMax1

    // The inputs a run disables and Reset enables, in that order.
    std::array<Control*, 11> inputs() const {
        return {&txtmean,   &txtsd,      &txtNsize,   &txtReliability, &txtMin, &txtMax,
                &rdoNormal, &rdoUniform, &chkInteger, &chkMin,         &chkMax};
    }
    // The bound controls, usable only while the group is not Uniform.
    std::array<Control*, 4> bounds() const { return {&chkMin, &chkMax, &txtMin, &txtMax}; }
};

// The sampling-distribution results of one group.
struct GroupResultControls {
    Control& meanLabel;   // lblg1m1
    Control& txtActualM;  // txtActualM1
    Control& seLabel;     // lblg1sd1
    Control& txtSEmean;   // txtSEmean1
};

struct SamplingControls {
    Control& box;  // boxsamplingdistributions
    std::array<GroupResultControls, kGroupBoxes> groups;
    Control& Label3;
    Control& txtmeanstokeep;
};

struct HypothesisControls {
    Control& box;  // boxhypothesistesting
    Control& Label6;
    Control& txtalpha1;
    Control& rdoTwotail;
    Control& rdoOnetail;
};

struct RunPanelControls {
    Control& pnlCount;
    Control& Label7;
    Control& SpeedButtonRun;
    Control& btnStopRun;
};

struct MonteCarloControls {
    Control& box;  // boxmontecarlo
    Control& chkInc;
    Control& Label1;
    Control& lblseed;
    Control& txtseed;
    Control& Label5;
    Control& txtiterations;
};

struct ResultsControls {
    Control& boxresults;
    Control& Label8;
    Control& Label9;
    Control& Label13;
    Control& txtrej1;
    Control& txtprop1;
    Control& txtalphaused;
    Control& memoresults;
};

// The items of the menu bar that commands reach, resolved when it is built.
struct MainMenuItems {
    MenuItem& File1;
    MenuItem& Save1;
    MenuItem& SaveData1;
    MenuItem& SaveMeans1;
    MenuItem& Exit1;
    MenuItem& Analysis1;
    MenuItem& Run1;
    MenuItem& GetPower701;
    MenuItem& GetPower801;
    MenuItem& GetNforAnyPower1;
    MenuItem& GetPower901;
    MenuItem& Test10001;
    MenuItem& EffectSizes1;
    MenuItem& NoEffect1;
    MenuItem& SmallEffect1;
    MenuItem& MediumEffect1;
    MenuItem& LargeEffect1;
    MenuItem& Options1;
    MenuItem& Resampled1;
    MenuItem& Winsorized1;
    MenuItem& TypeIIIErrorresults1;
    MenuItem& Reset2;
    MenuItem& Reset1;
    MenuItem& ResettoStandardNormal1;
    MenuItem& ResettoNormalIQtype1;
    MenuItem& ResettoNormalTscores1;
    MenuItem& ResettoCEEBSATscores1;
    MenuItem& ResettoUniform011;
    MenuItem& ResettoUniformMean01;
    MenuItem& ResettoUniformUID331;
    MenuItem& ResettoUniform01001;
    MenuItem& Help1;
    MenuItem& Warranty1;
    MenuItem& UserAgreement1;
    MenuItem& About1;
    // After the window's own menus: the Details window. Not locked by a run.
    MenuItem& View1;
    MenuItem& Details1;

    // The six menus a run or search hides and restores, in the order they are locked.
    std::array<MenuItem*, 6> locked() const {
        return {&File1, &Reset2, &Analysis1, &EffectSizes1, &Options1, &Help1};
    }
    std::array<MenuItem*, 3> saveItems() const { return {&Save1, &SaveData1, &SaveMeans1}; }
};

// The main window. Its controls are built box by box in creation order, which
// is also the keyboard focus order, and the subsystems reach them through the
// typed members below: a misspelt control does not compile.
class MainWindow : public Form {
  public:
    MainWindow();
    MenuBar& menus() { return menus_; }
    const MenuBar& menus() const { return menus_; }
    // Initial file name of the shared save dialog before any command ran.
    static constexpr const char* kInitialSaveName = "DORVEN_out";

  private:
    GroupControls createGroupBox(int g);
    SamplingControls createSamplingDistributions();
    HypothesisControls createHypothesisTesting();
    RunPanelControls createRunPanel();
    MonteCarloControls createMonteCarlo();
    ResultsControls createResults();
    MainMenuItems createMenus();

    MenuBar menus_;

  public:
    // Declared in creation order: each is built by its initialiser.
    const std::array<GroupControls, kGroupBoxes> groups;
    const SamplingControls sampling;
    const HypothesisControls hypothesis;
    const RunPanelControls runPanel;
    const MonteCarloControls monteCarlo;
    const ResultsControls results;
    const MainMenuItems menu;

    // The run-wide inputs a run disables after the group inputs, in that
    // order; rdoTwotail comes last, since nothing ever enables it again.
    std::array<Control*, 8> runInputs() const {
        return {&monteCarlo.txtseed,      &monteCarlo.txtiterations, &hypothesis.txtalpha1,
                &sampling.txtmeanstokeep, &monteCarlo.chkInc,        &monteCarlo.Label1,
                &hypothesis.rdoOnetail,   &hypothesis.rdoTwotail};
    }
};

class AboutBox : public Form {
  public:
    AboutBox();
    Control& Panel6;
    Control& Panel1;
    Control& Panel2;
    Control& Panel3;
    Control& Panel5;
    Control& BitBtn1;
};

class RunBox : public Form {
  public:
    RunBox();
    Control& Panel1;
    Control& Memo1;
    Control& BitBtn1;
};

class PowerBox : public Form {
  public:
    PowerBox();
    Control& lblPower;
    Control& txtPower;
    Control& Label1;
    Control& lblssiter;
    Control& ssiterations;
    Control& btnOK;
    Control& btnCancel;
};

class UserBox : public Form {
  public:
    UserBox();
    Control& Memo1;
    Control& BitBtn1;
};

// The 74-line user agreement shown by the User Agreement viewer.
std::string UserAgreementText();

struct WindowSet {
    MainWindow mainWindow;
    AboutBox aboutBox;
    RunBox runBox;
    PowerBox powerBox;
    UserBox userBox;
};

}  // namespace velmor::ui
