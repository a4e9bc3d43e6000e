#include <array>
#include <string>

#include "window_model/windows.hpp"

namespace velmor::ui {

namespace {

const char* const kMeanHint =
    "Set means EQUAL for robustness analysis, DIFFERENT for power analysis";
const char* const kSdHint = "Set standard deviations DIFFERENT to violate homogeneity assumption";
const char* const kMeanOfMeansHint = "Actual mean of sampling distribution of the mean";
const char* const kSeOfMeansHint = "Actual standard deviation of sampling distribution of the mean";

// Label names differ from group to group; the controls themselves follow a pattern.
struct GroupLabelNames {
    const char* mean;
    const char* sd;
    const char* size;
    const char* distribution;
    const char* reliability;
};
constexpr std::array<GroupLabelNames, 3> kGroupLabels{{
    {"lblgroup1mean", "Label2", "Label15", "Label11", "Label10"},
    {"lblgroup2mean", "lblgroup2sd", "lblgroup2size", "Label12", "Label14"},
    {"lblgroup3mean", "lblgroup3sd", "lblgroup3size", "Label19", "Label20"},
}};

}  // namespace

MainWindow::MainWindow()
    : Form("TForm1", "VELMOR: Quorvath"),
      groups{createGroupBox(1), createGroupBox(2), createGroupBox(3)},
      sampling(createSamplingDistributions()),
      hypothesis(createHypothesisTesting()),
      runPanel(createRunPanel()),
      monteCarlo(createMonteCarlo()),
      results(createResults()),
      menu(createMenus()) {}

GroupControls MainWindow::createGroupBox(int g) {
    const std::string n = std::to_string(g);
    const std::string box = "boxgroup" + n;
    const GroupLabelNames& labels = kGroupLabels[g - 1];
    Control& boxControl = add(box, ControlKind::GroupBox)
                              .withText("GROUP " + n + " ")
                              .withFontColor(colors::green)
                              .withBold(true);
    Control& meanLabel = add(labels.mean, ControlKind::Label, box)
                             .withText("Population Mean:")
                             .withHint(kMeanHint)
                             .withAlignRight(true);
    Control& mean = add("txtmean" + n, ControlKind::Edit, box)
                        .withText(texts::kDefaultMean)
                        .withHint(kMeanHint);
    Control& sdLabel = add(labels.sd, ControlKind::Label, box)
                           .withText("Population Standard Deviation:")
                           .withHint(kSdHint)
                           .withAlignRight(true);
    Control& sd =
        add("txtsd" + n, ControlKind::Edit, box).withText(texts::kDefaultSd).withHint(kSdHint);
    Control& sizeLabel = add(labels.size, ControlKind::Label, box)
                             .withText("Group " + n + " Size (under 1000):")
                             .withAlignRight(true);
    Control& size = add("txtNsize" + n, ControlKind::Edit, box).withText(texts::kDefaultSize);
    Control& distributionLabel = add(labels.distribution, ControlKind::Label, box)
                                     .withText("Distribution:")
                                     .withFontColor(colors::purple);
    Control& normal = add("rdoNormal" + n, ControlKind::RadioButton, box)
                          .withText("Normal")
                          .withFontColor(colors::purple)
                          .withChecked(true);
    Control& uniform = add("rdoUniform" + n, ControlKind::RadioButton, box)
                           .withText("Uniform")
                           .withFontColor(colors::purple);
    normal.pairWith(uniform);
    Control& reliabilityLabel = add(labels.reliability, ControlKind::Label, box)
                                    .withText("Dependent Measure Reliability:")
                                    .withFontColor(colors::purple);
    Control& reliability =
        add("txtReliability" + n, ControlKind::Edit, box).withText(texts::kDefaultReliability);
    Control& integer = add("chkInteger" + n, ControlKind::CheckBox, box)
                           .withText("Integer Data On&ly")
                           .withHint("Check to generate only whole number data values");
    Control& chkMin = add("chkMin" + n, ControlKind::CheckBox, box)
                          .withText("Mi&nimum Possible Score:")
                          .withHint("After checking, enter minimum value in box to the right");
    Control& txtMin = add("txtMin" + n, ControlKind::Edit, box)
                          .withHint("Replace this value with your own minimum value")
                          .withEnabled(false)
                          .withVisible(false)
                          .withAlignRight(true);
    Control& chkMax = add("chkMax" + n, ControlKind::CheckBox, box)
                          .withText("Ma&ximum Possible Score:")
                          .withHint("After checking, enter maximum value in box to the right");
    Control& txtMax = add("txtMax" + n, ControlKind::Edit, box)
                          .withHint("Replace this value with your own maximum value")
                          .withEnabled(false)
                          .withVisible(false)
                          .withAlignRight(true);
    return {boxControl,
            meanLabel,
            mean,
            sdLabel,
            sd,
            sizeLabel,
            size,
            distributionLabel,
            normal,
            uniform,
            reliabilityLabel,
            reliability,
            integer,
            chkMin,
            txtMin,
            chkMax,
            txtMax};
}

SamplingControls MainWindow::createSamplingDistributions() {
    const std::string box = "boxsamplingdistributions";
    Control& boxControl = add(box, ControlKind::GroupBox)
                              .withText("SAMPLING DISTRIBUTIONS ")
                              .withFontColor(colors::green)
                              .withBold(true);
    struct LabelAndField {
        Control* label;
        Control* field;
    };
    auto result = [&](const std::string& label, const std::string& caption,
                      const std::string& field, const char* hint, bool fieldHint) {
        Control& labelControl = add(label, ControlKind::Label, box)
                                    .withText(caption)
                                    .withHint(hint)
                                    .withFontColor(colors::navy)
                                    .withAlignRight(true);
        Control& fieldControl = add(field, ControlKind::Edit, box)
                                    .withHint(fieldHint ? hint : "")
                                    .withReadOnly(true)
                                    .withTabStop(false)
                                    .withBackground(colors::aqua);
        return LabelAndField{&labelControl, &fieldControl};
    };
    // All three means first, then all three standard errors.
    std::array<LabelAndField, kGroupBoxes> means{}, errors{};
    for (int g = 1; g <= kGroupBoxes; ++g) {
        const std::string n = std::to_string(g);
        means[g - 1] =
            result("lblg" + n + "m1", "Actual Mean of Group " + n + " Means:", "txtActualM" + n,
                   kMeanOfMeansHint, g < 3);
    }
    for (int g = 1; g <= kGroupBoxes; ++g) {
        const std::string n = std::to_string(g);
        errors[g - 1] =
            result("lblg" + n + "sd1", "Actual SE of Group " + n + " Means:", "txtSEmean" + n,
                   kSeOfMeansHint, g < 3);
    }
    const char* keepHint =
        "You can save means to create an actual sampling distribution of the means";
    Control& keepLabel = add("Label3", ControlKind::Label, box)
                             .withText("Number of means to Keep:")
                             .withHint(keepHint)
                             .withFontColor(colors::navy)
                             .withAlignRight(true);
    Control& keep = add("txtmeanstokeep", ControlKind::Edit, box)
                        .withText(texts::kDefaultMeansToKeep)
                        .withHint(keepHint);
    auto group = [&](int k) {
        return GroupResultControls{*means[k].label, *means[k].field, *errors[k].label,
                                   *errors[k].field};
    };
    return {boxControl, {group(0), group(1), group(2)}, keepLabel, keep};
}

HypothesisControls MainWindow::createHypothesisTesting() {
    const std::string box = "boxhypothesistesting";
    Control& boxControl = add(box, ControlKind::GroupBox)
                              .withText("HYPOTHESIS TESTING ")
                              .withFontColor(colors::green)
                              .withBold(true);
    Control& label = add("Label6", ControlKind::Label, box).withText("ALPHA=");
    Control& alpha = add("txtalpha1", ControlKind::Edit, box).withText(texts::kDefaultAlpha);
    Control& two = add("rdoTwotail", ControlKind::RadioButton, box)
                       .withText("&Two-tailed Test")
                       .withEnabled(false)
                       .withVisible(false);
    Control& one = add("rdoOnetail", ControlKind::RadioButton, box)
                       .withText("&One-tailed Test")
                       .withChecked(true);
    one.pairWith(two);
    return {boxControl, label, alpha, two, one};
}

RunPanelControls MainWindow::createRunPanel() {
    const std::string panel = "pnlCount";
    Control& panelControl = add(panel, ControlKind::Panel);
    Control& prompt = add("Label7", ControlKind::Label, panel)
                          .withText(texts::kRunPrompt)
                          .withFontColor(colors::maroon);
    Control& run = add("SpeedButtonRun", ControlKind::FlatButton, panel)
                       .withText("RUN")
                       .withFontColor(colors::maroon);
    Control& stop = add("btnStopRun", ControlKind::Button, panel)
                        .withText(texts::kStopCaption)
                        .withFontColor(colors::yellow)
                        .withHint("This will stop the program and return to main screen")
                        .withEnabled(false)
                        .withVisible(false);
    return {panelControl, prompt, run, stop};
}

MonteCarloControls MainWindow::createMonteCarlo() {
    const std::string box = "boxmontecarlo";
    Control& boxControl = add(box, ControlKind::GroupBox)
                              .withText("MONTE CARLO ")
                              .withFontColor(colors::green)
                              .withBold(true);
    Control& automatic = add("chkInc", ControlKind::CheckBox, box)
                             .withText("Automatically Set PseudoRandom")
                             .withChecked(true);
    Control& automaticLine2 =
        add("Label1", ControlKind::Label, box).withText("Seeds for Successive Analyses");
    Control& seedLabel = add("lblseed", ControlKind::Label, box)
                             .withText("Integer Seed for Data Generation")
                             .withHint("You should set your own starting seed")
                             .withAlignRight(true);
    Control& seed =
        add("txtseed", ControlKind::Edit, box)
            .withText(texts::kDefaultSeed)
            .withHint("You should set your own starting seed to a value less than 2,147,483,647");
    const char* samplesHint = "Recommend at least 10,000 samples for best results";
    Control& samplesLabel = add("Label5", ControlKind::Label, box)
                                .withText("Number of Monte Carlo Samples to Generate")
                                .withHint(samplesHint)
                                .withAlignRight(true);
    Control& samples = add("txtiterations", ControlKind::Edit, box)
                           .withText(texts::kDefaultIterations)
                           .withHint(samplesHint);
    return {boxControl, automatic, automaticLine2, seedLabel, seed, samplesLabel, samples};
}

ResultsControls MainWindow::createResults() {
    const std::string box = "boxresults";
    Control& boxControl = add(box, ControlKind::GroupBox).withFontColor(colors::maroon);
    Control& rejectionsHead =
        add("Label8", ControlKind::Label, box).withText("Rejections").withFontColor(colors::maroon);
    Control& proportionHead = add("Label9", ControlKind::Label, box)
                                  .withText("Proportion")
                                  .withFontColor(colors::maroon)
                                  .withCentred(true);
    Control& desiredHead = add("Label13", ControlKind::Label, box)
                               .withText("Desired")
                               .withFontColor(colors::maroon)
                               .withAlignRight(true);
    auto field = [&](const char* name) -> Control& {
        return add(name, ControlKind::Edit, box)
            .withReadOnly(true)
            .withTabStop(false)
            .withBackground(colors::aqua);
    };
    Control& rejections = field("txtrej1");
    Control& proportion = field("txtprop1");
    Control& desired = field("txtalphaused");
    Control& memo = add("memoresults", ControlKind::Memo, box)
                        .withReadOnly(true)
                        .withTabStop(false)
                        .withBackground(colors::aqua);
    return {boxControl, rejectionsHead, proportionHead, desiredHead,
            rejections, proportion,     desired,        memo};
}

MainMenuItems MainWindow::createMenus() {
    MenuItem& file = menus_.addMenu("File1", "&File").withHint("Save Results to a Text File");
    file.add("N4", "-", MenuItemKind::Separator);
    MenuItem& save = file.add("Save1", "&Save Results...")
                         .withShortcut("Ctrl+S")
                         .withEnabled(false)
                         .withHint("Save Results to a text file");
    MenuItem& saveData = file.add("SaveData1", "Save &Data...")
                             .withShortcut("Ctrl+D")
                             .withEnabled(false)
                             .withHint("Save Data to a COMMA-DELIMITED text file");
    MenuItem& saveMeans = file.add("SaveMeans1", "Save &Means...")
                              .withShortcut("Ctrl+M")
                              .withEnabled(false)
                              .withHint("Save Sample Means to a COMMA-DELIMITED text file");
    file.add("N1", "-", MenuItemKind::Separator);
    MenuItem& exit =
        file.add("Exit1", "E&xit").withShortcut("Ctrl+F4").withHint("Exit the program");

    MenuItem& analysis = menus_.addMenu("Analysis1", "&Analysis");
    MenuItem& run = analysis.add("Run1", "&Run")
                        .withShortcut("F5")
                        .withHint("Run a Monte Carlo analysis with given parameters");
    analysis.add("N2", "-", MenuItemKind::Separator);
    MenuItem& power70 = analysis.add("GetPower701", "Get N for Power = .&70").withShortcut("F7");
    MenuItem& power80 = analysis.add("GetPower801", "Get N for Power = .&80").withShortcut("F8");
    MenuItem& anyPower =
        analysis.add("GetNforAnyPower1", "Get N for Any &Power...").withShortcut("F9");
    analysis.add("N6", "-", MenuItemKind::Separator).withVisible(false);
    MenuItem& power90 = analysis.add("GetPower901", "Get N for Power = .&90")
                            .withShortcut("Ctrl+F9")
                            .withVisible(false);
    MenuItem& test1000 =
        analysis.add("Test10001", "Test1000").withShortcut("F12").withVisible(false);

    MenuItem& effects = menus_.addMenu("EffectSizes1", "Effect Sizes");
    MenuItem& noEffect =
        effects.add("NoEffect1", "&No Effect")
            .withShortcut("F1")
            .withHint(
                "Set means and standard deviations equal (for Robustness Analysis of Type I "
                "errors)");
    MenuItem& small =
        effects.add("SmallEffect1", "&Small Effect")
            .withShortcut("F2")
            .withHint("Set Means for Cohen's Small standardized effect (for Power Analysis)");
    MenuItem& medium =
        effects.add("MediumEffect1", "&Medium Effect")
            .withShortcut("F3")
            .withHint("Set Means for Cohen's Medium standardized effect (for Power Analysis)");
    MenuItem& large =
        effects.add("LargeEffect1", "&Large Effect")
            .withShortcut("F4")
            .withHint("Set Means for Cohen's Large standardized effect (for Power Analysis)");

    MenuItem& options = menus_.addMenu("Options1", "Options");
    MenuItem& resampled = options.add("Resampled1", "&Resampled Min/Max").withCheck(true, 1);
    MenuItem& winsorized = options.add("Winsorized1", "&Winsorized Min/Max").withCheck(false, 1);
    options.add("N9", "-", MenuItemKind::Separator);
    MenuItem& typeIII =
        options.add("TypeIIIErrorresults1", "Type III Error results").withCheck(false);

    // Reset to Defaults shows no key. F2 belongs to Small Effect, whose
    // menu comes first, so a shown F2 here would promise a reset and run
    // Small Effect; any other key would be a new binding nobody asked for.
    // The item is reached through its menu and its access key.
    MenuItem& reset = menus_.addMenu("Reset2", "Reset");
    MenuItem& toDefaults = reset.add("Reset1", "Reset to &Defaults")
                               .withHint("Reset all input and result boxes to original values");
    reset.add("N7", "-", MenuItemKind::Separator);
    MenuItem& standardNormal = reset.add("ResettoStandardNormal1", "&1 Reset to Standard Normal");
    MenuItem& iq = reset.add("ResettoNormalIQtype1", "&2 Reset to Normal DIQ integers");
    MenuItem& tScores = reset.add("ResettoNormalTscores1", "&3 Reset to Normal T-score Integers");
    MenuItem& sat = reset.add("ResettoCEEBSATscores1", "&4 Reset to CEEB/SAT scores");
    reset.add("N8", "-", MenuItemKind::Separator);
    MenuItem& uniform01 = reset.add("ResettoUniform011", "&5 Reset to Uniform 0..1");
    MenuItem& uniformMean0 = reset.add("ResettoUniformMean01", "&6 Reset to Uniform UID(0,1)");
    MenuItem& uniform33 = reset.add("ResettoUniformUID331", "&7 Reset to Uniform -3..3");
    MenuItem& uniform100 = reset.add("ResettoUniform01001", "&8 Reset to Uniform 0..100 Integers");

    MenuItem& help = menus_.addMenu("Help1", "&Help");
    MenuItem& warranty = help.add("Warranty1", "Help");
    MenuItem& agreement = help.add("UserAgreement1", "User Agreement");
    help.add("N5", "-", MenuItemKind::Separator);
    MenuItem& about = help.add("About1", "&About VELMOR");

    menus_.addMenu("N3", " ").withEnabled(false);

    // After the window's own menus: the Details window, which shows what a
    // run means (Monte Carlo error, normal-theory power, plots). A run does
    // not lock it, so the window can be opened to watch a long run's progress.
    MenuItem& view = menus_.addMenu("View1", "&View").withHint("Show more about the last run");
    MenuItem& details =
        view.add("Details1", "&Details")
            .withHint("Monte Carlo error, normal-theory power and plots of the last run or search");

    return {file,         save,       saveData,       saveMeans, exit,      analysis,   run,
            power70,      power80,    anyPower,       power90,   test1000,  effects,    noEffect,
            small,        medium,     large,          options,   resampled, winsorized, typeIII,
            reset,        toDefaults, standardNormal, iq,        tScores,   sat,        uniform01,
            uniformMean0, uniform33,  uniform100,     help,      warranty,  agreement,  about,
            view,         details};
}

}  // namespace velmor::ui
