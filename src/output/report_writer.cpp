#include "output/report_writer.hpp"

#include <string_view>

#include "output/file_number_text.hpp"

namespace velmor {

namespace {

constexpr std::string_view kRule57 = "---------------------------------------------------------";
constexpr std::string_view kStars57 = "*********************************************************";

std::string Digit(int g) {
    return std::to_string(g + 1);
}

void WriteBanner(LineSink& out, const RunState& state) {
    out.writeLine("");
    out.writeLine("QUORVATH");
    out.writeLine("--------------------------------------");
    out.writeLine(state.settings.analysisTitle);
    out.writeLine("");
    out.writeLine("Random Number Generator Seed: " + state.seedText);
    out.writeLine("# of Simulated Samples Taken: " +
                  std::to_string(state.tallies.completedReplications));
    out.writeLine("");
}

void WritePopulationValues(LineSink& out, const RunSettings& settings) {
    out.writeLine("GIVEN POPULATION VALUES:");
    out.writeLine("");
    for (int g = 0; g < kGroups; ++g)
        out.writeLine("   Reliability of Dependent Measure " + Digit(g) + ": " +
                      FixedText(settings.groups[g].reliability, 8, 3));
    out.writeLine("");
    for (int g = 0; g < kGroups; ++g) {
        const GroupSettings& group = settings.groups[g];
        const std::string label = "           Group " + Digit(g);
        out.writeLine(label + " Population Mean:    " + FixedText(group.mean, 8, 3));
        out.writeLine(label + " Population Std Dev: " + FixedText(group.sd, 8, 3));
        out.writeLine(label + " Sample Size:        " + IntText(group.size, 4));
        out.writeLine("");
    }
}

void WriteSampleValues(LineSink& out, const RunState& state) {
    const RunTallies& t = state.tallies;
    out.writeLine("ACTUAL SAMPLE VALUES:");
    out.writeLine("");
    if (t.completedReplications < 2) {
        // One replication (or none): its own values, and its F test.
        for (int g = 0; g < kGroups; ++g)
            out.writeLine("         Sample Reliability of DV " + Digit(g) + ":   " +
                          FixedText(t.sumOfReliabilities[g], 8, 3));
        out.writeLine("");
        for (int g = 0; g < kGroups; ++g)
            out.writeLine("                      Mean of Group " + Digit(g) + ": " +
                          FixedText(t.sumOfMeans[g], 8, 3));
        out.writeLine("");
        for (int g = 0; g < kGroups; ++g)
            out.writeLine("                   Std Dev of Group " + Digit(g) + ": " +
                          FixedText(t.seOfMeans[g], 8, 3));
        out.writeLine("");
        out.writeLine("F-Statistic: " + FixedText(state.fRatio, 9, 3));
        out.writeLine("Probability: " + FixedText(state.lastPValue, 9, 3));
    } else {
        const double count = static_cast<double>(t.completedReplications);
        const std::string countText = std::to_string(t.completedReplications);
        for (int g = 0; g < kGroups; ++g)
            out.writeLine("   Avg Reliability of Dep Measure " + Digit(g) + ":   " +
                          FixedText(t.sumOfReliabilities[g] / count, 8, 3));
        out.writeLine("");
        for (int g = 0; g < kGroups; ++g)
            out.writeLine("          Mean of " + countText + " Group " + Digit(g) +
                          " Means: " + FixedText(t.sumOfMeans[g] / count, 8, 3));
        out.writeLine("");
        for (int g = 0; g < kGroups; ++g)
            out.writeLine("       Std Dev of " + countText + " Group " + Digit(g) +
                          " Means: " + FixedText(t.seOfMeans[g], 8, 3) + " (Std Error)");
    }
    out.writeLine("");
}

std::string NominalAlphaLine(int tails, double alpha) {
    return std::to_string(tails) +
           "-tailed tests were performed at Nominal ALPHA= " + FixedText(alpha, 4, 3);
}

void WriteSectionTitle(LineSink& out, std::string_view title) {
    out.writeLine(kRule57);
    out.writeLine("");
    out.writeLine(title);
    out.writeLine("");
}

void WriteRobustnessSection(LineSink& out, const RunState& state) {
    const RunSettings& s = state.settings;
    const RunTallies& t = state.tallies;
    WriteSectionTitle(out, "MONTE CARLO ROBUSTNESS ANALYSIS");
    out.writeLine("Because the Population Means are EQUAL, the Null Hypothesis is TRUE");
    out.writeLine("Therefore, any rejections of the Null Hypothesis are Type I errors");
    out.writeLine("");
    if (s.rdoOnetail)
        out.writeLine(NominalAlphaLine(1, s.alpha));
    else if (s.rdoTwotail)
        out.writeLine(NominalAlphaLine(2, s.alpha));
    out.writeLine("");
    out.writeLine("# of Rejections  Actual ALPHA");
    out.writeLine("===============  ============");
    out.writeLine(IntText(t.rejections, 9) + FixedText(t.rejectionProportion, 17, 4));
}

// The power section, and the sample-size section that shares its table.
void WritePowerSection(LineSink& out, const RunState& state, bool sampleSize) {
    const RunSettings& s = state.settings;
    const RunTallies& t = state.tallies;
    if (sampleSize) {
        WriteSectionTitle(out, "MONTE CARLO SAMPLE SIZE ANALYSIS");
        out.writeLine("Below you will find the final Power Analysis results for the Sample Size");
        out.writeLine("Analysis (you will find the final sample size(s) above)");
        out.writeLine("");
    } else {
        WriteSectionTitle(out, "MONTE CARLO POWER ANALYSIS");
    }
    out.writeLine("Because the Population Means are NOT equal, the Null Hypothesis is FALSE");
    out.writeLine("Therefore, NON-rejections of the Null Hypothesis are Type II errors");
    out.writeLine("");
    const std::string counts = IntText(t.rejections, 9) + FixedText(t.rejectionProportion, 17, 4);
    if (s.rdoOnetail) {
        out.writeLine(NominalAlphaLine(1, s.alpha));
        out.writeLine("");
        out.writeLine("# of Rejections     POWER      ");
        out.writeLine("===============  ============  ");
        out.writeLine(counts);
    } else if (s.rdoTwotail) {
        // A run stopped before its first replication has no power to adjust;
        // write 0 rather than divide by zero.
        const std::int64_t n = t.completedReplications;
        const double adjusted =
            n > 0 ? static_cast<double>(t.rejections - t.typeIIIErrors) / static_cast<double>(n)
                  : 0.0;
        out.writeLine(NominalAlphaLine(2, s.alpha));
        out.writeLine("");
        out.writeLine("# of Rejections     POWER      # of Type III Errors  Adjusted POWER");
        out.writeLine("===============  ============  ====================  ==============");
        out.writeLine(counts + IntText(t.typeIIIErrors, 17) + FixedText(adjusted, 20, 4));
    }
}

void WriteClosingBlock(LineSink& out, const RunState& state,
                       const std::array<std::string, 3>& aboutLines) {
    out.writeLine("");
    if (state.settings.txtiterations > 1) {
        out.writeLine(kRule57);
        out.writeLine("");
        out.writeLine(state.joinedResultLines());
    }
    out.writeLine("");
    out.writeLine(kStars57);
    for (const auto& line : aboutLines) out.writeLine(line);
    out.writeLine("");
}

}  // namespace

void WriteResultsReport(LineSink& sink, const RunState& state,
                        const std::array<std::string, 3>& aboutLines) {
    WriteBanner(sink, state);
    WritePopulationValues(sink, state.settings);
    WriteSampleValues(sink, state);
    if (state.flags.sampleSizeAnalysis)
        WritePowerSection(sink, state, true);
    else if (state.flags.nullIsTrue)
        WriteRobustnessSection(sink, state);
    else
        WritePowerSection(sink, state, false);
    WriteClosingBlock(sink, state, aboutLines);
}

}  // namespace velmor
