#include "run/run_controller.hpp"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/errors.hpp"
#include "core/fp_faults.hpp"
#include "core/mean_test_battery.hpp"
#include "run/information.hpp"
#include "run/number_format.hpp"
#include "run/settings_step.hpp"
#include "run/verdicts.hpp"

namespace velmor {

namespace {

// Decimal text of an integer into a caller's buffer: the loop rewrites texts
// every replication and must not allocate.
std::string_view IntegerText(char (&buffer)[32], std::uint64_t value) {
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return {buffer, static_cast<std::size_t>(end - buffer)};
}

}  // namespace

RunController::RunController(ui::WindowSet& windows, ui::Platform& platform, RunState& state,
                             RandomGenerators& generators, Replicator& replicator)
    : windows_(windows),
      main_(windows.mainWindow),
      platform_(platform),
      state_(state),
      generators_(generators),
      replicator_(replicator),
      pipeline_(replicator, generators),
      txtrej1_(main_.results.txtrej1),
      label7_(main_.runPanel.Label7) {
    // A case that keeps landing outside impossible bounds can redraw for a very
    // long time; let the stop button reach it.
    replicator_.setStopCheck([this] {
        // Mid-replication: keep our own flags, drop whatever the toolkit's
        // event handling leaves behind.
        std::fexcept_t ours;
        std::fegetexceptflag(&ours, FE_ALL_EXCEPT);
        state_.progress.redraws += kRedrawsPerStopCheck;
        platform_.processPendingEvents();
        std::fesetexceptflag(&ours, FE_ALL_EXCEPT);
        return state_.flags.stopRequested;
    });
}

void RunController::btnRunClick() {
    abandoned_ = false;
    outcome_ = Outcome::SettingsFailed;
    state_.result = RunResult{};  // refused, until the run gets further
    try {
        ClearFloatingPointFaults();
        resetForRun();
        if (runSettingsStep()) {
            lockWindow();
            replicationLoop();
        }
    } catch (const FloatingPointFault& fault) {
        abandon(fault.what());
    } catch (const IoError& error) {
        abandon(error.what());
    } catch (const std::exception& error) {
        abandon(UnexpectedErrorMessage(error.what()));
    } catch (...) {
        abandon(UnexpectedErrorMessage(nullptr));
    }
    restore();
}

void RunController::recoverFromFailure() {
    abandoned_ = true;
    outcome_ = Outcome::Abandoned;
    state_.result.end = RunEnd::Fault;
    ClearFloatingPointFaults();
    state_.flags.searchActive = false;
    state_.flags.stopRequested = false;
    state_.flags.sampleSizeAnalysis = false;
    label7_.setFontColor(ui::colors::purple);
    label7_.setText(ui::texts::kRunPrompt);
    unlockWindow();
    retireStopButton();
    focusFaultField();
    disableSaveCommands();
}

void RunController::retireStopButton() {
    ui::Control& stop = main_.runPanel.btnStopRun;
    stop.setEnabled(false);
    stop.setVisible(false);
}

void RunController::focusFaultField() {
    // A value whose square overflows a double is where an overflow in the
    // scores' sums and variances comes from; the first such input, in the
    // window's order, takes the focus, as a refused value's field does.
    const double limit = std::sqrt(std::numeric_limits<double>::max());
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& group = state_.settings.groups[g];
        const ui::GroupControls& controls = main_.groups[g];
        const std::pair<double, ui::Control*> inputs[] = {
            {group.mean, &controls.txtmean},
            {group.sd, &controls.txtsd},
            {group.hasMinimum ? group.minimum : 0.0, &controls.txtMin},
            {group.hasMaximum ? group.maximum : 0.0, &controls.txtMax}};
        for (const auto& [value, control] : inputs)
            if (!(std::abs(value) < limit) && control->enabled()) {
                control->setFocus();
                return;
            }
    }
}

void RunController::abandon(const std::string& message) {
    // The command ends here; what it computed so far is not a result.
    abandoned_ = true;
    outcome_ = Outcome::Abandoned;
    state_.result.end = RunEnd::Fault;
    ClearFloatingPointFaults();
    platform_.showPlainMessage(message);
}

void RunController::resetForRun() {
    RunSettings& s = state_.settings;
    s.bounds = BoundsHandlingOf(main_.menu.Resampled1.checked(), main_.menu.Winsorized1.checked());
    state_.flags.notNumeric = false;
    state_.flags.noVariance = false;
    state_.progress = {};

    main_.runPanel.SpeedButtonRun.setVisible(false);
    ui::Control& stop = main_.runPanel.btnStopRun;
    stop.setEnabled(true);
    stop.setVisible(true);
    stop.setText(ui::texts::kStopCaption);

    ui::Control& infoMemo = windows_.runBox.Memo1;
    infoMemo.setText("");
    infoMemo.setBackground(ui::colors::white);

    const ui::ResultsControls& results = main_.results;
    results.memoresults.setText("");
    for (ui::Control* field :
         {&results.memoresults, &results.txtprop1, &results.txtalphaused, &results.txtrej1})
        field->setBackground(ui::colors::aqua);
    for (const ui::GroupControls& group : main_.groups)
        group.txtNsize.setBackground(ui::colors::white);
    ui::Control& box = results.boxresults;
    box.setFontColor(ui::colors::navy);
    box.setBackground(ui::colors::silver);

    RunTallies& t = state_.tallies;
    t.rejections = 0;
    t.typeIIIErrors = 0;
    t.sumOfMeans = {};
    t.sumOfSquaredMeans = {};
    t.sumOfReliabilities = {};
    t.seOfMeans = {};
    t.shapeMoments = {};

    txtrej1_.setText("");
    if (!state_.flags.searchActive) results.txtprop1.setText("");
    for (const ui::GroupResultControls& group : main_.sampling.groups) {
        group.txtActualM.setText("");
        group.txtSEmean.setText("");
    }
    state_.clearResultLines();

    box.setText("");
    results.Label13.setText("Desired");
    results.Label8.setText("Rejections");
    results.Label9.setText("Proportion");
    s.analysisTitle = "3-level Analysis of Variance";
}

FieldValues RunController::fieldValues() const {
    FieldValues fields;
    for (int k = 0; k < kGroups; ++k) {
        const ui::GroupControls& group = main_.groups[k];
        GroupFieldValues& values = fields.groups[k];
        values.txtmean = group.txtmean.text();
        values.txtsd = group.txtsd.text();
        values.txtNsize = group.txtNsize.text();
        values.txtReliability = group.txtReliability.text();
        values.txtMin = group.txtMin.text();
        values.txtMax = group.txtMax.text();
        values.rdoNormal = group.rdoNormal.checked();
        values.rdoUniform = group.rdoUniform.checked();
        values.chkInteger = group.chkInteger.checked();
        values.shape = state_.choices.shapes[k];
    }
    fields.txtalpha1 = main_.hypothesis.txtalpha1.text();
    fields.txtseed = main_.monteCarlo.txtseed.text();
    fields.txtiterations = main_.monteCarlo.txtiterations.text();
    fields.txtmeanstokeep = main_.sampling.txtmeanstokeep.text();
    fields.rdoOnetail = main_.hypothesis.rdoOnetail.checked();
    fields.rdoTwotail = main_.hypothesis.rdoTwotail.checked();
    fields.chkInc = main_.monteCarlo.chkInc.checked();
    fields.Resampled1 = main_.menu.Resampled1.checked();
    fields.Winsorized1 = main_.menu.Winsorized1.checked();
    return fields;
}

ui::Control& RunController::controlOf(FieldRef ref) const {
    if (ref.group >= 1 && ref.group <= kGroups) {
        const ui::GroupControls& group = main_.groups[ref.group - 1];
        switch (ref.field) {
            case Field::txtmean:
                return group.txtmean;
            case Field::txtsd:
                return group.txtsd;
            case Field::txtNsize:
                return group.txtNsize;
            case Field::txtReliability:
                return group.txtReliability;
            case Field::txtMin:
                return group.txtMin;
            case Field::txtMax:
                return group.txtMax;
            default:
                break;
        }
    } else if (ref.group == 0) {
        switch (ref.field) {
            case Field::txtalpha1:
                return main_.hypothesis.txtalpha1;
            case Field::txtseed:
                return main_.monteCarlo.txtseed;
            case Field::txtiterations:
                return main_.monteCarlo.txtiterations;
            case Field::txtmeanstokeep:
                return main_.sampling.txtmeanstokeep;
            default:
                break;
        }
    }
    throw std::invalid_argument("no input field of this kind in group " +
                                std::to_string(ref.group));
}

std::optional<RunSettings> RunController::settingsAsTyped(bool searchActive) const {
    // Copies of everything the step may change, so the program is left as it was.
    RunSettings settings = state_.settings;
    SeedWords seeds = state_.seeds;
    RandomGenerators generators = generators_;
    settings.bounds =
        BoundsHandlingOf(main_.menu.Resampled1.checked(), main_.menu.Winsorized1.checked());
    const SettingsContext context{state_.flags.seedFromField, searchActive, seeds, generators};
    if (!RunSettingsStep(fieldValues(), settings, context).ok()) return std::nullopt;
    return settings;
}

bool RunController::runSettingsStep() {
    const SettingsContext context{state_.flags.seedFromField, state_.flags.searchActive,
                                  state_.seeds, generators_};
    const SettingsStepResult result = RunSettingsStep(fieldValues(), state_.settings, context);
    for (const auto& [field, text] : result.writeBacks) controlOf(field).setText(text);
    if (result.ok()) return true;

    state_.flags.notNumeric = result.notNumeric;
    ui::Control& field = controlOf(result.failure->focusField);
    field.setEnabled(true);
    field.setFocus();
    if (result.failure->kind == MessageKind::PlainMessageBox)
        platform_.showPlainMessage(result.failure->message);
    else
        ShowInformation(windows_.runBox, platform_, result.failure->message);
    return false;
}

void RunController::lockWindow() {
    state_.flags.stopRequested = false;
    label7_.setFontColor(ui::colors::navy);
    ui::Control& box = main_.results.boxresults;
    box.setFontColor(ui::colors::navy);
    box.setText("");
    main_.results.txtalphaused.setText(
        state_.flags.searchActive ? FormatFixed(state_.targetPower, 6, 4) : "");
    for (ui::MenuItem* menu : main_.menu.locked()) {
        menu->setEnabled(false);
        menu->setVisible(false);
    }
    for (const ui::GroupControls& group : main_.groups)
        for (ui::Control* input : group.inputs()) input->setEnabled(false);
    for (ui::Control* input : main_.runInputs()) input->setEnabled(false);
}

void RunController::replicationLoop() {
    if (state_.choices.generator == Generator::Philox) {
        philoxReplicationLoop();
        return;
    }
    const RunSettings& s = state_.settings;
    RunTallies& t = state_.tallies;
    const std::uint64_t iterations = s.txtiterations;
    const bool keepMeans = s.txtmeanstokeep > 0;
    char buffer[32];
    std::uint64_t i = 1;
    dataSetIncomplete_ = false;
    // Counted as they are stored, so a run ended by no variance or a fault
    // still tells the means file how many entries are its own.
    t.keptMeansOfLastRun = 0;
    state_.progress = {iterations, 0};
    std::array<MeanTestKind, kMeanTestKinds> room{};
    const std::span<const MeanTestKind> otherTests = chooseOtherTests(room);
    // Tests beside F run on this thread; a producer that values the deviates
    // as well takes the polar method's arithmetic off it, so that the two
    // threads stay about as busy as each other (the same bits either way).
    pipeline_.setProducerValues(!otherTests.empty());
    // The producer, if any, is stopped and joined on every way out of the
    // loop (a fault included), and before anything of the run's end is shown.
    const ReplicationPipeline::Run pipelined(pipeline_, s, state_.seeds.deviateSeed, iterations);
    std::optional<RejectionRule> rule;
    if (!otherTests.empty()) rule.emplace(s.alpha);
    state_.result.maximumSamples = iterations;
    // A search's trials estimate power from all their samples: a stopping
    // rule applies to the Run command's own runs.
    const bool judged =
        checkpointJudge_ && state_.choices.stopping.any() && !state_.flags.searchActive;
    std::uint64_t stoppedAt = 0;  // the checkpoint that ended the run, if one did
    // Only shaped groups accumulate their true scores' moments, so a run
    // without a shape does no more work than before.
    const bool anyShaped = std::any_of(s.groups.begin(), s.groups.end(),
                                       [](const GroupSettings& g) { return g.shaped(); });
    for (; i <= iterations; ++i) {
        state_.flags.seedFromField = false;
        platform_.processPendingEvents();
        // The toolkit's own arithmetic may leave flags behind; only ours count.
        ClearFloatingPointFaults();
        if (state_.flags.stopRequested) break;
        const Replicator::Outcome generated =
            pipeline_.GenerateReplication(s, state_.seeds.deviateSeed);
        state_.progress.redraws = 0;
        if (generated == Replicator::Outcome::Abandoned) {
            // The stop came inside a replication: its scores are half made
            // and the last complete data set is gone with them.
            dataSetIncomplete_ = true;
            break;
        }
        RaiseFloatingPointFaults();
        const ReplicationResult& r = replicator_.result();
        if (r.noVariance) {
            // Asked to skip such samples: this one is set aside and counted,
            // and a fresh sample takes its place, so the run still makes its
            // planned replications. A population that gives nothing else would
            // loop for ever; past the cap the run ends as it does by default.
            if (state_.choices.skipNoVarianceSamples &&
                static_cast<std::uint64_t>(state_.result.discardedNoVariance) <
                    NoVarianceDiscardCap(iterations)) {
                ++state_.result.discardedNoVariance;
                --i;
                continue;
            }
            pipeline_.end();
            noVarianceStop();
            return;
        }
        if (anyShaped) {
            for (int g = 0; g < kGroups; ++g) {
                if (!s.groups[g].shaped()) continue;
                t.shapeMoments[g].AddBlock(replicator_.trueScores(g));
            }
        }
        if (keepMeans && i <= kMaxKeptMeans) {
            for (int g = 0; g < kGroups; ++g) t.keptMeans[g][i - 1] = r.groupMean[g];
            t.keptMeansOfLastRun = static_cast<std::int32_t>(i);
        }
        for (int g = 0; g < kGroups; ++g) {
            const long double mean = r.groupMean[g];
            t.sumOfMeans[g] += r.groupMean[g];
            t.sumOfSquaredMeans[g] = static_cast<double>(t.sumOfSquaredMeans[g] + mean * mean);
            t.sumOfReliabilities[g] += r.sampleReliability[g];
        }
        replicator_.TestReplication(s, t.rejections);
        RaiseFloatingPointFaults();
        if (!otherTests.empty()) runOtherTests(otherTests, *rule);
        state_.fRatio = r.fRatio;
        state_.lastPValue = r.pValue;
        state_.progress.completed = i;
        txtrej1_.setText(IntegerText(buffer, static_cast<std::uint64_t>(t.rejections)));
        showProgress(i, iterations);
        if (judged && i % kCheckpointSamples == 0 && i < iterations) {
            const CheckpointVerdict verdict = checkpointJudge_(state_, i);
            if (verdict.stop) {
                state_.result.stopReason = *verdict.stop;
                stoppedAt = i;
                break;
            }
            if (verdict.expectedSamples && i >= kCheckpointsBeforeEstimate * kCheckpointSamples)
                state_.progress.planned = *verdict.expectedSamples;
        }
    }
    pipeline_.end();
    if (stoppedAt > 0) {
        // Everything from here on reads as the same study run with
        // samples = C: its verdict, report, data and means files.
        state_.settings.txtiterations = static_cast<std::uint32_t>(stoppedAt);
        state_.progress.planned = stoppedAt;
        endOfRun(stoppedAt);
        return;
    }
    endOfRun(i - 1);
}

void RunController::philoxReplicationLoop() {
    const RunSettings& s = state_.settings;
    RunTallies& t = state_.tallies;
    RunResult& result = state_.result;
    const std::uint64_t iterations = s.txtiterations;
    dataSetIncomplete_ = false;
    t.keptMeansOfLastRun = 0;
    state_.progress = {iterations, 0};
    state_.flags.seedFromField = false;
    result.generator = Generator::Philox;
    result.maximumSamples = iterations;

    PhiloxJob job;
    job.settings = s;
    job.seed = PhiloxSeedWord(s.txtseed);
    job.condition = state_.choices.conditionIndex;
    job.samples = iterations;
    job.singleSample = iterations == 1;
    job.skipNoVariance = state_.choices.skipNoVarianceSamples;
    job.discardCap = NoVarianceDiscardCap(iterations);
    job.anyShaped = std::any_of(s.groups.begin(), s.groups.end(),
                                [](const GroupSettings& g) { return g.shaped(); });
    std::array<MeanTestKind, kMeanTestKinds> room{};
    job.otherTests = chooseOtherTests(room);
    std::optional<RejectionRule> rule;
    if (!job.otherTests.empty()) rule.emplace(s.alpha);
    job.rule = rule ? &*rule : nullptr;
    if (s.txtmeanstokeep > 0) {
        job.keptMeansLimit = kMaxKeptMeans;
    }
    const int totalN = s.groups[0].size + s.groups[1].size + s.groups[2].size;
    job.fBand = FCriticalBand(2.0, totalN - 3.0, s.alpha);
    const bool judged =
        checkpointJudge_ && state_.choices.stopping.any() && !state_.flags.searchActive;

    std::uint64_t completed = 0;
    std::uint64_t stoppedAt = 0;
    std::int64_t discarded = 0;
    std::optional<PhiloxReplicationKey> noVarianceKey;
    PhiloxReplicationKey lastKey;
    Console& console = replicator_.console();
    char buffer[32];
    // Blocks are combined here in block order: each sum adds a block's own
    // sum, so every double comes out the same for any number of threads.
    const auto combine = [&](BlockTally& block) {
        for (const ConsoleEvent& event : block.console) {
            if (event.readLine) {
                console.ReadLine();
            } else {
                console.WriteLine(event.line);
            }
        }
        if (block.error) std::rethrow_exception(block.error);
        discarded += block.discarded;
        if (block.noVariance || static_cast<std::uint64_t>(discarded) > job.discardCap) {
            result.discardedNoVariance =
                std::min(discarded, static_cast<std::int64_t>(job.discardCap));
            noVarianceKey = block.noVarianceKey;
            return false;
        }
        result.discardedNoVariance = discarded;
        // A stop inside a block: only whole blocks count.
        if (block.abandoned) return false;
        t.rejections += block.rejections;
        for (int g = 0; g < kGroups; ++g) {
            t.sumOfMeans[g] += block.sumOfMeans[g];
            t.sumOfSquaredMeans[g] = static_cast<double>(
                static_cast<long double>(t.sumOfSquaredMeans[g]) + block.sumOfSquaredMeans[g]);
            t.sumOfReliabilities[g] += block.sumOfReliabilities[g];
            t.shapeMoments[g].Merge(block.shapeMoments[g]);
        }
        for (const MeanTestKind kind : job.otherTests) {
            const BlockTestTally& from = block.tests[static_cast<int>(kind)];
            TestTally& to = result.tally(kind);
            to.rejections += from.rejections;
            to.notComputed += from.notComputed;
            if (job.singleSample) to.last = from.last;
        }
        const std::uint64_t kept = std::min<std::uint64_t>(
            block.completed, job.keptMeansLimit > completed ? job.keptMeansLimit - completed : 0);
        for (int g = 0; g < kGroups; ++g)
            std::copy_n(block.means[g].begin(), kept, t.keptMeans[g].begin() + completed);
        completed += block.completed;
        if (block.completed > 0) lastKey = block.lastKey;
        state_.progress.completed = completed;
        txtrej1_.setText(IntegerText(buffer, static_cast<std::uint64_t>(t.rejections)));
        showProgress(completed, iterations);
        if (judged && completed % kCheckpointSamples == 0 && completed < iterations) {
            const CheckpointVerdict verdict = checkpointJudge_(state_, completed);
            if (verdict.stop) {
                result.stopReason = *verdict.stop;
                stoppedAt = completed;
                return false;
            }
            if (verdict.expectedSamples &&
                completed >= kCheckpointsBeforeEstimate * kCheckpointSamples)
                state_.progress.planned = *verdict.expectedSamples;
        }
        return true;
    };
    const auto idle = [&] {
        state_.progress.redraws += philox_.takeRedraws();
        platform_.processPendingEvents();
        // The toolkit's own arithmetic may leave flags behind; only ours count.
        ClearFloatingPointFaults();
        return state_.flags.stopRequested;
    };
    philox_.run(job, philoxThreads_, combine, idle);
    state_.progress.redraws = 0;

    if (s.txtmeanstokeep > 0)
        t.keptMeansOfLastRun =
            static_cast<std::int32_t>(std::min<std::uint64_t>(completed, kMaxKeptMeans));
    if (noVarianceKey) {
        // The sample without variance, drawn again here, is the data set the
        // message asks to save: it is the same wherever it is drawn.
        if (replicator_.GenerateReplication(s, PhiloxStream(*noVarianceKey)) ==
            Replicator::Outcome::Abandoned)
            dataSetIncomplete_ = true;
        noVarianceStop();
        return;
    }
    if (completed > 0) {
        // The last replication counted, drawn again, leaves the scores, F and
        // probability that the data file and a one-sample run show.
        if (replicator_.GenerateReplication(s, PhiloxStream(lastKey)) ==
            Replicator::Outcome::Abandoned) {
            dataSetIncomplete_ = true;
        } else {
            std::int64_t unused = 0;
            replicator_.TestReplication(s, FCriticalBand{}, unused);
            state_.fRatio = replicator_.result().fRatio;
            state_.lastPValue = replicator_.result().pValue;
        }
    }
    if (stoppedAt > 0) {
        state_.settings.txtiterations = static_cast<std::uint32_t>(stoppedAt);
        state_.progress.planned = stoppedAt;
    }
    endOfRun(completed);
}

std::span<const MeanTestKind> RunController::chooseOtherTests(
    std::array<MeanTestKind, kMeanTestKinds>& room) {
    std::size_t count = 0;
    for (const MeanTestKind kind : kAllMeanTests) {
        if (!state_.choices.tests.chosen(kind)) continue;
        state_.result.tally(kind).chosen = true;
        if (kind != MeanTestKind::F) room[count++] = kind;
    }
    return {room.data(), count};
}

void RunController::runOtherTests(std::span<const MeanTestKind> kinds, const RejectionRule& rule) {
    const ThreeGroups groups = {replicator_.observedScores(0), replicator_.observedScores(1),
                                replicator_.observedScores(2)};
    std::array<MeanTestDecision, kMeanTestKinds> decisions;
    const bool oneSample = state_.settings.txtiterations == 1;
    if (!oneSample) rule.decideAll(kinds, groups, testScratch_, {decisions.data(), kinds.size()});
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        TestTally& tally = state_.result.tally(kinds[k]);
        MeanTestDecision& decision = decisions[k];
        if (oneSample) {
            // One sample: its statistics and p-values are the result shown.
            tally.last = RunMeanTest(kinds[k], groups, testScratch_);
            decision = {tally.last.status,
                        tally.last.computed() && tally.last.pValue <= rule.alpha()};
        }
        if (decision.status != MeanTestStatus::Computed) {
            ++tally.notComputed;
        } else if (decision.rejects) {
            ++tally.rejections;
        }
    }
    RaiseFloatingPointFaults();
}

void RunController::showProgress(std::uint64_t i, std::uint64_t iterations) {
    const bool show = i <= 100 || (i <= 1000 && i % 10 == 0 && i < iterations) ||
                      (i > 1000 && i % 1000 == 0 && i < iterations);
    if (!show) return;
    static constexpr std::string_view kPrefix = "Running Iteration #";
    char text[64];
    kPrefix.copy(text, kPrefix.size());
    auto [end, ec] = std::to_chars(text + kPrefix.size(), text + sizeof text, i);
    (void)ec;
    label7_.setText(std::string_view(text, static_cast<std::size_t>(end - text)));
}

void RunController::noVarianceStop() {
    state_.seedText = std::to_string(state_.settings.txtseed);
    state_.clearResultLines();
    state_.resultLines[0] = "There may have been NO VARIANCE in the last data set generated";
    state_.resultLines[1] = " (save data to verify). Problems probably were due to the combination";
    state_.resultLines[2] = " of (1) INTEGER DATA ONLY, (2) a small range between minimum and";
    state_.resultLines[3] = " maximum scores, and/or (3) very small population STANDARD DEVIATION.";
    state_.flags.noVariance = true;
    outcome_ = Outcome::NoVariance;
    state_.result.end = RunEnd::NoVariance;
    ui::Control& infoMemo = windows_.runBox.Memo1;
    infoMemo.setText("");
    infoMemo.setText(state_.joinedResultLines());
    if (!state_.flags.searchActive) platform_.showModal(ui::DialogId::Information);
}

void RunController::endOfRun(std::uint64_t completed) {
    RunSettings& s = state_.settings;
    RunTallies& t = state_.tallies;
    const bool search = state_.flags.searchActive;
    t.completedReplications = static_cast<std::int64_t>(completed);
    outcome_ = completed == 0 ? Outcome::NothingCompleted : Outcome::Completed;
    RunResult& result = state_.result;
    result.end = state_.flags.stopRequested ? RunEnd::Stopped : RunEnd::Finished;
    result.completed = t.completedReplications;
    result.rejections = t.rejections;
    TestTally& f = result.tally(MeanTestKind::F);
    f.chosen = true;
    f.rejections = t.rejections;

    if (completed > 0) {
        // Extended for the arithmetic, one rounding at each store.
        const long double n = static_cast<long double>(completed);
        t.rejectionProportion = static_cast<double>(static_cast<long double>(t.rejections) / n);
        result.proportion = t.rejectionProportion;
        const ReplicationResult& r = replicator_.result();
        for (int g = 1; g <= kGroups; ++g) {
            const int k = g - 1;
            const ui::GroupResultControls& fields = main_.sampling.groups[k];
            if (completed > 1) {
                fields.meanLabel.setText("Actual Mean of Group " + std::to_string(g) + " Means:");
                fields.seLabel.setText("Actual SE of Group " + std::to_string(g) + " Means:");
                const long double sum = t.sumOfMeans[k];
                const long double spread = (t.sumOfSquaredMeans[k] - sum * sum / n) / (n - 1);
                // Large means with a tiny spread can leave rounding noise below zero.
                t.seOfMeans[k] = static_cast<double>(spread > 0 ? std::sqrt(spread) : 0.0L);
            } else {
                fields.meanLabel.setText("Actual Mean of Group " + std::to_string(g) + ":");
                fields.seLabel.setText("Actual Std Dev of Group " + std::to_string(g) + ":");
                t.seOfMeans[k] = r.groupSD[k];
            }
            result.meanOfMeans[k] =
                static_cast<double>(static_cast<long double>(t.sumOfMeans[k]) / n);
            result.seOfMeans[k] = t.seOfMeans[k];
            result.meanReliability[k] =
                static_cast<double>(static_cast<long double>(t.sumOfReliabilities[k]) / n);
            fields.txtActualM.setText(FormatFixed(result.meanOfMeans[k], 6, 3));
            fields.txtSEmean.setText(FormatFixed(t.seOfMeans[k], 6, 4));
        }
        for (int k = 0; k < kGroups; ++k) {
            if (!s.groups[k].shaped()) continue;
            AchievedShape& achieved = result.achievedShape[k];
            achieved.shaped = true;
            achieved.targetSkewness = s.groups[k].shape->skewness();
            achieved.targetKurtosis = s.groups[k].shape->kurtosis();
            achieved.skewness = t.shapeMoments[k].skewness();
            achieved.kurtosis = t.shapeMoments[k].kurtosis();
            achieved.scores = t.shapeMoments[k].count();
        }
        char buffer[32];
        txtrej1_.setText(IntegerText(buffer, static_cast<std::uint64_t>(t.rejections)));
        main_.results.txtprop1.setText(FormatFixed(t.rejectionProportion, 6, 5));
    }

    if (state_.flags.stopRequested) {
        state_.clearResultLines();
        state_.resultLines[0] = "-- Processing Stopped by User";
        state_.resultLines[1] = "   ";
        state_.resultLines[2] = "-- Results may not be complete.";
        if (!search) {
            ui::Control& infoMemo = windows_.runBox.Memo1;
            infoMemo.setText("");
            infoMemo.setText(state_.resultLines[0] + "\n" + state_.resultLines[1] + "\n" +
                             state_.resultLines[2]);
            platform_.showModal(ui::DialogId::Information);
        }
    }

    ui::Control& stop = main_.runPanel.btnStopRun;
    if (!search) {
        state_.flags.sampleSizeAnalysis = false;
        main_.runPanel.SpeedButtonRun.setFontColor(ui::colors::purple);
        label7_.setFontColor(ui::colors::purple);
        label7_.setText(ui::texts::kRunPrompt);
        stop.setText("FINISHED " + std::to_string(completed) +
                     (s.txtiterations == 1 ? " Iteration" : " Iterations"));
    }
    stop.setEnabled(false);

    ui::Control& box = main_.results.boxresults;
    box.setFontColor(ui::colors::navy);
    if (s.rdoOnetail) box.setText("RESULTS: 1 tail");
    state_.seedText = std::to_string(s.txtseed);
    state_.flags.nullIsTrue = EnteredMeansEqual(s);

    // With no replication done there is no proportion, no means and no verdict.
    if (completed == 0) return;
    if (s.txtiterations == 1)
        ShowSingleReplication(state_, windows_);
    else if (!search)
        ShowVerdict(state_, windows_);
    else
        result.verdict = Verdict::Power;  // a search's trials measure power and write no verdict
}

void RunController::restore() {
    if (state_.flags.notNumeric) main_.runPanel.btnStopRun.setVisible(false);
    // An abandoned command leaves nothing running: no live stop button.
    if (abandoned_) retireStopButton();
    if (state_.flags.searchActive) return;
    state_.flags.sampleSizeAnalysis = false;
    unlockWindow();
    if (abandoned_) focusFaultField();
    switch (outcome_) {
        case Outcome::Completed:
            enableSaveCommands();
            if (dataSetIncomplete_) main_.menu.SaveData1.setEnabled(false);
            break;
        case Outcome::NoVariance:
            // The message asks the user to save the data to verify it; there
            // are no results or means to save.
            disableSaveCommands();
            enableSaveItem(main_.menu.SaveData1, "Save &Data");
            break;
        case Outcome::SettingsFailed:
        case Outcome::NothingCompleted:
        case Outcome::Abandoned:
            disableSaveCommands();
            break;
    }
}

void RunController::unlockWindow() {
    for (ui::MenuItem* menu : main_.menu.locked()) {
        menu->setEnabled(true);
        menu->setVisible(true);
    }
    main_.runPanel.SpeedButtonRun.setVisible(true);
    for (const ui::GroupControls& group : main_.groups) {
        // The bounds follow the distribution: a Uniform group's are derived.
        const bool uniform = group.rdoUniform.checked();
        const std::array<ui::Control*, 4> bounds = group.bounds();
        for (ui::Control* input : group.inputs()) {
            const bool bound = std::find(bounds.begin(), bounds.end(), input) != bounds.end();
            if (!bound) input->setEnabled(true);
        }
        for (ui::Control* bound : bounds) bound->setEnabled(!uniform);
    }
    // The two-tailed choice stays disabled: nothing ever offers it.
    for (ui::Control* input : main_.runInputs())
        if (input != &main_.hypothesis.rdoTwotail) input->setEnabled(true);
}

void RunController::enableSaveItem(ui::MenuItem& item, const char* caption) {
    item.setEnabled(true);
    item.setCaption(caption);
}

void RunController::enableSaveCommands() {
    enableSaveItem(main_.menu.Save1, "&Save Results");
    enableSaveItem(main_.menu.SaveData1, "Save &Data");
    if (state_.settings.txtmeanstokeep > 0) enableSaveItem(main_.menu.SaveMeans1, "Save &Means");
}

void RunController::disableSaveCommands() {
    for (ui::MenuItem* item : main_.menu.saveItems()) item->setEnabled(false);
}

}  // namespace velmor
