#include "run/verdicts.hpp"

#include <charconv>
#include <string>

#include "run/number_format.hpp"

namespace velmor {

namespace {

// The shortest decimal that reads back as `value`, as mantissa * 10^-scale.
// For a typed alpha this is the number the user typed.
struct Decimal {
    __int128 mantissa = 0;
    int scale = 0;
};

Decimal ShortestDecimal(double value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    (void)ec;
    std::string text(buffer, end);  // d.ddddde±xx
    const auto ePos = text.find('e');
    const int exponent = std::stoi(text.substr(ePos + 1));
    std::string digits;
    for (std::size_t i = 0; i < ePos; ++i)
        if (text[i] >= '0' && text[i] <= '9') digits += text[i];
    Decimal d;
    for (char c : digits) d.mantissa = d.mantissa * 10 + (c - '0');
    d.scale = static_cast<int>(digits.size()) - 1 - exponent;  // value = mantissa * 10^-scale
    return d;
}

__int128 PowerOfTen(int n) {
    __int128 p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

std::string Count(std::int64_t n) { return std::to_string(n); }

bool IsCautionary(const GroupSettings& g) {
    return !g.uniform() && (g.hasMinimum || g.hasMaximum) && -g.maximum != g.minimum;
}

}  // namespace

Comparison CompareProportionWithAlphaMultiple(std::int64_t rejections, std::int64_t replications,
                                              double alpha, int multiplePercent) {
    // r/n against (percent/100) * M * 10^-scale, cross-multiplied in integers:
    // r * 100 * 10^scale against percent * M * n. Alphas of 0.0001..0.9999 with
    // up to 17 significant digits keep both sides far inside 128 bits.
    const Decimal a = ShortestDecimal(alpha);
    __int128 left = static_cast<__int128>(rejections) * 100;
    __int128 right = static_cast<__int128>(multiplePercent) * a.mantissa * replications;
    if (a.scale >= 0)
        left *= PowerOfTen(a.scale);
    else
        right *= PowerOfTen(-a.scale);
    if (left < right) return Comparison::Below;
    if (left > right) return Comparison::Above;
    return Comparison::Equal;
}

void ComposeVerdictLines(RunState& state) {
    const RunTallies& t = state.tallies;
    const RunSettings& s = state.settings;
    const double a = s.alpha;
    const double p = t.rejectionProportion;
    const std::string r = Count(t.rejections);
    const std::string n = Count(t.completedReplications);
    auto& lines = state.resultLines;
    // Means that differ make a power run, whatever lines it writes.
    Verdict& verdict = state.result.verdict;
    verdict = Verdict::Power;
    state.clearResultLines();
    auto compare = [&](int percent) {
        return CompareProportionWithAlphaMultiple(t.rejections, t.completedReplications, a, percent);
    };
    const char* kWithin25 =
        "BUT it is within 25% of nominal alpha, which is the intermediate criterion of Robey & Barcikowski (1992).";

    if (state.flags.nullIsTrue) {
        const std::string c = r + "/" + n + "=" + FormatFixed(p, 6, 4);
        if (compare(110) == Comparison::Above) {
            verdict = Verdict::Inflated;
            lines[0] = "Given these conditions, actual alpha (" + c +
                       ") is INFLATED (using the fairly stringent criterion of Bradley, 1978) because it is over " +
                       FormatGeneral(1.1 * a);
            lines[1] = ". That is, it is more than 10% greater than the desired nominal alpha (" + FormatGeneral(a) +
                       "). ";
            lines[2] = compare(125) != Comparison::Above
                           ? kWithin25
                           : "Actual alpha also is greater than " + FormatGeneral(1.25 * a) +
                                 " and therefore not within 25% of nominal alpha, which is the intermediate "
                                 "criterion of Robey & Barcikowski (1992).";
        } else if (compare(90) == Comparison::Below) {
            verdict = Verdict::Conservative;
            lines[0] = "Given these conditions, actual alpha (" + c +
                       ") is CONSERVATIVE (using the fairly stringent criterion of Bradley, 1978) because it is "
                       "less than " +
                       FormatGeneral(0.9 * a);
            lines[1] = ". That is, it is over 10% less than the desired nominal alpha (" + FormatGeneral(a) + "). ";
            lines[2] = compare(75) == Comparison::Below
                           ? "Actual alpha also is less than " + FormatGeneral(0.75 * a) +
                                 " and therefore not within 25% of nominal alpha, which is the intermediate "
                                 "criterion of Robey & Barcikowski (1992)."
                           : kWithin25;
        } else {
            verdict = Verdict::Robust;
            lines[0] = "Given these population conditions, the test appears to be ROBUST because actual alpha (" + c +
                       ") falls within a fairly stringent 10% of ";
            lines[1] = "the desired nominal alpha (that is, between " + FormatFixed(0.9 * a, 6, 4) + " and " +
                       FormatFixed(1.1 * a, 6, 4) + "). ";
            lines[2] = "See Bradley (1978) or Robey & Barcikowski (1992) for a discussion of robustness criteria.";
        }
    } else if (s.rdoOnetail || s.rdoTwotail) {
        lines[0] = "Actual Power is " + FormatFixed(p, 6, 4) + ", which is ";
        lines[1] = "the proportion of correct rejections (" + r + "/" + n +
                   ") of the known-to-be-false null hypothesis. ";
        if (!s.rdoOnetail && s.TypeIIIErrorresults1 && t.typeIIIErrors > 0) {
            const double share = 100.0 * t.typeIIIErrors / t.rejections;
            const double adjusted =
                static_cast<double>(t.rejections - t.typeIIIErrors) / static_cast<double>(t.completedReplications);
            lines[2] = "Note that " + FormatFixed(share, 3, 1) + "% (" + Count(t.typeIIIErrors) +
                       ") of these rejections were Type III errors ";
            lines[3] =
                "(the wrong mean was larger or the correlation was significant but with the wrong sign). Adjusted "
                "Power is " +
                FormatFixed(adjusted, 6, 4) + ".";
        }
    }

    bool caution = false;
    for (const GroupSettings& g : s.groups) caution = caution || IsCautionary(g);
    if (caution) {
        verdict = Verdict::Caution;
        state.clearResultLines();
        lines[0] = "Interpret the results above with CAUTION! ";
        lines[1] = "Because you have different Minimum and/or Maximum scores, ";
        lines[2] = "the distributions may not be what you expected ";
        lines[3] = "(see Sampling Distribution information). ";
    }
}

namespace {

void ColourResults(ui::WindowSet& windows) {
    const ui::ResultsControls& results = windows.mainWindow.results;
    results.boxresults.setBackground(ui::colors::aqua);
    results.txtalphaused.setBackground(ui::colors::aqua);
    results.txtprop1.setBackground(ui::colors::yellow);
    results.txtrej1.setBackground(ui::colors::white);
    ui::Control& infoMemo = windows.runBox.Memo1;
    infoMemo.setText("");
    infoMemo.setBackground(ui::colors::white);
    ui::Control& memo = results.memoresults;
    memo.setBackground(ui::colors::white);
    memo.setFontColor(ui::colors::black);
}

}  // namespace

void ShowVerdict(RunState& state, ui::WindowSet& windows) {
    const ui::ResultsControls& results = windows.mainWindow.results;
    ui::Control& box = results.boxresults;
    box.setFontColor(ui::colors::navy);
    if (state.flags.nullIsTrue) {
        results.txtalphaused.setText(FormatFixed(state.settings.alpha, 6, 4));
        box.setText("RESULTS: Robustness Analysis");
        results.Label9.setText("Actual ALPHA");
    } else {
        results.txtalphaused.setText("     n/a");
        box.setText("RESULTS: Power Analysis");
        results.Label9.setText("Actual POWER");
    }
    ComposeVerdictLines(state);
    ColourResults(windows);
    results.memoresults.setText(state.joinedResultLines());
}

void ShowSingleReplication(RunState& state, ui::WindowSet& windows) {
    state.singleRunF = state.fRatio;
    state.resultLines[1] = "     F-statistic = " + FormatFixed(state.singleRunF, 6, 4);
    state.resultLines[2] = "significance = " + FormatFixed(state.lastPValue, 6, 4);
    state.clearResultLines(3);
    ColourResults(windows);
    ui::Control& memo = windows.mainWindow.results.memoresults;
    // Appended as three lines to the memo the run cleared: an empty first line
    // after a normal run, the stop line after a stop.
    memo.setText(state.resultLines[0] + "\n" + state.resultLines[1] + "\n" + state.resultLines[2]);
}

}  // namespace velmor
