// Equal entered means are not always equal populations: a minimum with
// resampling moves each group's mean by an amount that depends on its SD.
// The summary and the report's added section give each group's achieved
// mean with its Monte Carlo error and flag the run as a power run. And
// `no_variance = skip` sets aside samples without variance, counts them and
// reports the count, where the default ends the run.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "batch/grid_run.hpp"
#include "output/scratch_dir.hpp"

using namespace velmor::batch;
using velmor::testing::ReadFile;
using velmor::testing::ScratchDir;
using velmor::testing::WriteFile;

namespace {

struct Ran {
    int code = 0;
    std::string err, report;
    std::map<std::string, std::string> row;  // column -> cell of the one row
};

// Runs one study through the batch and reads its one summary row (cells
// here hold no commas except the quoted message, read as one cell).
Ran RunOne(const ScratchDir& dir, const std::string& name, const std::string& study) {
    WriteFile(dir / (name + ".study"), study);
    BatchOptions options;
    options.output = {dir / name, false, false};
    options.summary = (dir / (name + ".csv")).string();
    options.studies = {(dir / (name + ".study")).string()};
    options.jobs = 1;
    InterruptFlag interrupt;
    std::ostringstream err;
    Ran ran;
    ran.code = RunBatch(options, interrupt, err);
    ran.err = err.str();
    const std::filesystem::path report = dir / name / (name + ".OUT");
    if (std::filesystem::exists(report)) ran.report = ReadFile(report);
    std::istringstream csv(ReadFile(options.summary));
    std::string header, line;
    std::getline(csv, header);
    std::getline(csv, line);
    auto split = [](std::string text) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::vector<std::string> cells(1);
        bool quoted = false;
        for (char ch : text) {
            if (ch == '"')
                quoted = !quoted;
            else if (ch == ',' && !quoted)
                cells.emplace_back();
            else
                cells.back() += ch;
        }
        return cells;
    };
    const auto names = split(header), cells = split(line);
    for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i) ran.row[names[i]] = cells[i];
    return ran;
}

// Means 0, 0, 0 with minimum -.5, resampled, SDs 1, 1, 2: truncated normal
// populations whose means are, by scipy 1.10.1,
//   truncnorm.mean(-.5, inf) = 0.5091604338370335 and
//   2 * truncnorm.mean(-.25, inf) = 1.2916787420336346.
// Each achieved mean must lie within 4 of its Monte Carlo errors of these.
TEST(AchievedMeans, EqualEnteredMeansThatBoundsMoveApartAreAPowerRun) {
    ScratchDir dir;
    const Ran moved =
        RunOne(dir, "moved",
               "[groups]\nmean = 0\nminimum = -.5\n[group 3]\nsd = 2\n[run]\nbounds = "
               "resampled\nsamples = 4000\nmeans_to_keep = 0\n");
    ASSERT_EQ(moved.code, 0) << moved.err;
    const double reference[] = {0.5091604338370335, 0.5091604338370335, 1.2916787420336346};
    for (int g = 1; g <= 3; ++g) {
        const std::string k = std::to_string(g);
        const double error = std::stod(moved.row.at("mean" + k + "_mc_se"));
        // SE of the means over sqrt(R): the column is the error of mean<g>.
        EXPECT_NEAR(error, std::stod(moved.row.at("se" + k)) / std::sqrt(4000.0), 1e-12);
        EXPECT_NEAR(std::stod(moved.row.at("mean" + k)), reference[g - 1], 4 * error);
    }
    EXPECT_EQ(moved.row.at("means_differ"), "yes");
    EXPECT_EQ(moved.row.at("band_reading")
                  .rfind("power run, not Type I error: achieved means "
                         "differ; Bradley ",
                         0),
              0u)
        << moved.row.at("band_reading");
    const std::size_t added = moved.report.find("ADDITIONAL RESULTS");
    ASSERT_NE(added, std::string::npos) << moved.report;
    EXPECT_NE(moved.report.find("Achieved population means", added), std::string::npos);
    EXPECT_NE(moved.report.find("This run measured power, not a Type I error rate", added),
              std::string::npos);

    // Equal means left equal: the flag says no, and the report is the standard one.
    const Ran equal = RunOne(dir, "equal", "[run]\nsamples = 4000\nmeans_to_keep = 0\n");
    ASSERT_EQ(equal.code, 0) << equal.err;
    EXPECT_EQ(equal.row.at("means_differ"), "no");
    EXPECT_EQ(equal.row.at("band_reading").find("power run"), std::string::npos);
    EXPECT_EQ(equal.report.find("ADDITIONAL RESULTS"), std::string::npos);
    // Unequal entered means: no flag to raise.
    const Ran power = RunOne(dir, "power", "[group 3]\nmean = 1\n[run]\nsamples = 100\n");
    EXPECT_EQ(power.row.at("means_differ"), "");
    EXPECT_NE(power.row.at("mean3_mc_se"), "");
}

// Whole-number scores with SD .7 and n = 10: a group of ten equal scores has
// probability sum_k P(round(X) = k)^10 = 0.0015897548 (X ~ N(0, .7)), a
// sample with any such group 0.0047616865, so 20000 counted samples come
// with 20000 * q / (1 - q) = 95.7 discarded ones on average (scipy 1.10.1:
// sum((norm.cdf((k+.5)/.7) - norm.cdf((k-.5)/.7))**10 for k in -10..10)).
// The count is negative-binomial with SD about 9.8; 5 SDs either side.
TEST(NoVarianceSkip, SamplesWithoutVarianceAreSetAsideCountedAndReported) {
    ScratchDir dir;
    const std::string integer =
        "[groups]\nsd = .7\nn = 10\ninteger = yes\n[run]\nsamples = 20000\n";
    const Ran stop = RunOne(dir, "stop", integer);
    EXPECT_EQ(stop.code, kExitFailure);
    EXPECT_EQ(stop.row.at("status"), "failed");
    EXPECT_EQ(stop.row.at("discarded_no_variance"), "");

    const Ran skip = RunOne(dir, "skip", integer + "no_variance = skip\n");
    ASSERT_EQ(skip.code, 0) << skip.err;
    EXPECT_EQ(skip.row.at("status"), "ok");
    EXPECT_EQ(skip.row.at("samples"), "20000");
    const long discarded = std::stol(skip.row.at("discarded_no_variance"));
    EXPECT_GT(discarded, 95.7 - 5 * 9.8);
    EXPECT_LT(discarded, 95.7 + 5 * 9.8);
    EXPECT_NE(skip.report.find("Samples set aside because a group had no variance: " +
                               std::to_string(discarded) + "\r\n"),
              std::string::npos)
        << skip.report;

    // Every sample without variance: the run gives up at its cap (1000 for
    // a run of fewer samples) and ends as the default does, and says so.
    const Ran hopeless = RunOne(dir, "hopeless",
                                "[group 1]\nmean = 5\nsd = 0.01\ninteger = yes\n[run]\nsamples = "
                                "10\nno_variance = skip\n");
    EXPECT_EQ(hopeless.code, kExitFailure);
    EXPECT_EQ(hopeless.row.at("status"), "failed");
    EXPECT_EQ(hopeless.row.at("discarded_no_variance"), "1000");
    EXPECT_NE(hopeless.row.at("message").find("set aside 1000 samples without variance"),
              std::string::npos)
        << hopeless.row.at("message");
}

// `no_variance = stop` is the default, word for word: the same report.
TEST(NoVarianceSkip, StopIsTheDefaultByteForByte) {
    ScratchDir dir;
    const std::string study = "[run]\nsamples = 50\n";
    const Ran plain = RunOne(dir, "plain", study);
    const Ran stop = RunOne(dir, "stop", study + "no_variance = stop\n");
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(plain.report, stop.report);
    EXPECT_FALSE(plain.report.empty());
}

}  // namespace
