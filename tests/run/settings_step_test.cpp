// The settings step: reading order, messages and focus, write-backs, the
// seed rules, and that no text whatever can upset it.
#include "run/settings_step.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/random.hpp"

using namespace velmor;

namespace {

using WriteBacks = std::vector<std::pair<std::string, std::string>>;

const char* const kNotNumeric = "You must entire an appropriate numeric value";
const char* const kMaxAboveMin = "MAXIMUM SCORE must be greater than the MINIMUM SCORE";
const char* const kMaxEqualsMin = "MAXIMUM SCORE cannot equal the MINIMUM SCORE";
const char* const kMinBelowMean = "MINIMUM SCORE must be less than the Population Mean";
const char* const kMaxAboveMean = "MAXIMUM SCORE must be greater than the Population Mean";
const char* const kSampleSize = "SAMPLE SIZE must be greater than 1";
const char* const kIterations = "You must run at least one Monte Carlo simulation";
const char* const kReliability =
    "RELIABILITY must be greater than 0.0 and less than or equal to 1.0";
const char* const kSd = "STANDARD DEVIATION must be greater than 0.0";
const char* const kAlpha = "NOMINAL ALPHA must be greater than 0.0 and less than 1.0";

std::string N(const char* prefix, int g) {
    return prefix + std::to_string(g);
}

// The tests name the step's fields as the window does ("txtsd2"); these map
// those names to the typed fields and back.
constexpr std::pair<const char*, Field> kGroupFields[] = {
    {"txtmean", Field::txtmean},   {"txtsd", Field::txtsd},
    {"txtNsize", Field::txtNsize}, {"txtReliability", Field::txtReliability},
    {"txtMin", Field::txtMin},     {"txtMax", Field::txtMax}};
constexpr std::pair<const char*, Field> kRunFields[] = {{"txtalpha1", Field::txtalpha1},
                                                        {"txtseed", Field::txtseed},
                                                        {"txtiterations", Field::txtiterations},
                                                        {"txtmeanstokeep", Field::txtmeanstokeep}};

FieldRef Ref(const std::string& name) {
    for (const auto& [stem, field] : kRunFields)
        if (name == stem) return {field};
    for (const auto& [stem, field] : kGroupFields)
        for (int g = 1; g <= 3; ++g)
            if (name == N(stem, g)) return {field, g};
    throw std::invalid_argument("no field " + name);
}

std::string Name(FieldRef ref) {
    for (const auto& [stem, field] : kRunFields)
        if (ref.group == 0 && ref.field == field) return stem;
    for (const auto& [stem, field] : kGroupFields)
        if (ref.group >= 1 && ref.group <= 3 && ref.field == field) return N(stem, ref.group);
    return "<no field>";
}

std::string& Text(FieldValues& f, const std::string& name) {
    return const_cast<std::string&>(std::as_const(f).text(Ref(name)));
}

bool& Check(FieldValues& f, const std::string& name) {
    for (int g = 1; g <= 3; ++g) {
        GroupFieldValues& values = f.groups[static_cast<std::size_t>(g - 1)];
        if (name == N("rdoNormal", g)) return values.rdoNormal;
        if (name == N("rdoUniform", g)) return values.rdoUniform;
        if (name == N("chkInteger", g)) return values.chkInteger;
    }
    if (name == "rdoOnetail") return f.rdoOnetail;
    if (name == "rdoTwotail") return f.rdoTwotail;
    if (name == "chkInc") return f.chkInc;
    if (name == "Resampled1") return f.Resampled1;
    if (name == "Winsorized1") return f.Winsorized1;
    throw std::invalid_argument("no check " + name);
}

WriteBacks Named(const std::vector<std::pair<FieldRef, std::string>>& writes) {
    WriteBacks named;
    for (const auto& [field, text] : writes) named.emplace_back(Name(field), text);
    return named;
}

// A window as it stands after start-up, with 1000 samples and 100 means kept.
FieldValues StartFields() {
    FieldValues f;
    for (int g = 1; g <= 3; ++g) {
        Text(f, N("txtmean", g)) = "100";
        Text(f, N("txtsd", g)) = "15";
        Text(f, N("txtNsize", g)) = "20";
        Text(f, N("txtReliability", g)) = "1.0";
        Text(f, N("txtMin", g)) = "";
        Text(f, N("txtMax", g)) = "";
        Check(f, N("rdoNormal", g)) = true;
        Check(f, N("rdoUniform", g)) = false;
        Check(f, N("chkInteger", g)) = false;
    }
    Text(f, "txtalpha1") = ".05";
    Text(f, "txtseed") = "1432449975";
    Text(f, "txtiterations") = "1000";
    Text(f, "txtmeanstokeep") = "100";
    Check(f, "rdoOnetail") = false;
    Check(f, "rdoTwotail") = true;
    Check(f, "chkInc") = false;
    Check(f, "Resampled1") = true;
    Check(f, "Winsorized1") = false;
    return f;
}

class SettingsStepTest : public ::testing::Test {
  protected:
    SettingsStepResult Run() {
        const SettingsContext context{seedFromField, searchActive, seeds, generators};
        return RunSettingsStep(fields, settings, context);
    }
    // The last text the step wrote into a field, or "<unwritten>".
    static std::string Written(const SettingsStepResult& r, const std::string& name) {
        std::string text = "<unwritten>";
        for (const auto& [field, value] : r.writeBacks)
            if (Name(field) == name) text = value;
        return text;
    }
    static void ExpectFailure(const SettingsStepResult& r, const std::string& message,
                              const std::string& focus) {
        ASSERT_FALSE(r.ok()) << "expected: " << message;
        EXPECT_EQ(r.failure->message, message);
        EXPECT_EQ(Name(r.failure->focusField), focus);
        const bool plain = message == kNotNumeric;
        EXPECT_EQ(r.failure->kind,
                  plain ? MessageKind::PlainMessageBox : MessageKind::InformationDialog);
        EXPECT_EQ(r.notNumeric, plain);
    }
    GroupSettings& group(int g) { return settings.groups[static_cast<std::size_t>(g - 1)]; }
    void SetBounds(int g, const char* min, const char* max) {
        group(g).hasMinimum = min != nullptr;
        group(g).hasMaximum = max != nullptr;
        Text(fields, N("txtMin", g)) = min ? min : "";
        Text(fields, N("txtMax", g)) = max ? max : "";
    }
    void SetUniform(int g) {
        Check(fields, N("rdoNormal", g)) = false;
        Check(fields, N("rdoUniform", g)) = true;
    }

    FieldValues fields = StartFields();
    RunSettings settings;
    SeedWords seeds;
    RandomGenerators generators;
    bool seedFromField = true;
    bool searchActive = false;
};

// --- a whole step that succeeds ---------------------------------------------

TEST_F(SettingsStepTest, FillsTheRecordAndWritesBackInOrder) {
    Text(fields, "txtmean2") = "105.5";
    Text(fields, "txtNsize3") = "25.7";
    Text(fields, "txtsd1") = "1e1";
    Check(fields, "chkInteger2") = true;
    SetUniform(3);
    const SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok()) << r.failure->message;
    EXPECT_FALSE(r.notNumeric);
    const WriteBacks expected = {
        {"txtMin1", ""},           {"txtMax1", ""},           {"txtMin2", ""},
        {"txtMax2", ""},           {"txtMin3", ""},           {"txtMax3", ""},
        {"txtNsize1", "20"},       {"txtNsize2", "20"},       {"txtNsize3", "25"},
        {"txtiterations", "1000"}, {"txtseed", "1432449975"},
    };
    EXPECT_EQ(Named(r.writeBacks), expected);

    EXPECT_EQ(group(1).mean, 100.0);
    EXPECT_EQ(group(2).mean, 105.5);
    EXPECT_EQ(group(1).sd, 10.0);
    EXPECT_EQ(group(3).size, 25);
    EXPECT_EQ(settings.deviateRows, 25);
    EXPECT_EQ(group(2).reliability, 1.0);
    EXPECT_TRUE(group(2).wholeNumbers);
    EXPECT_FALSE(group(1).wholeNumbers);
    EXPECT_TRUE(group(3).uniform());
    EXPECT_EQ(settings.alpha, 0.05);
    EXPECT_EQ(settings.txtiterations, 1000u);
    EXPECT_EQ(settings.txtmeanstokeep, 100);
    EXPECT_EQ(settings.txtseed, 1432449975);
    EXPECT_TRUE(settings.rdoTwotail);
    EXPECT_FALSE(settings.rdoOnetail);
    EXPECT_EQ(settings.bounds, BoundsHandling::Resample);
    EXPECT_EQ(settings.analysisTitle, "3-level Analysis of Variance");
    EXPECT_EQ(seeds.deviateSeed, -1432449975);
    EXPECT_EQ(seeds.seedStreamSeed, -1432449975);
}

TEST_F(SettingsStepTest, KeptFlagsAreReadNotChanged) {
    settings.TypeIIIErrorresults1 = true;
    group(2).hasMaximum = true;
    Text(fields, "txtMax2") = "130";
    ASSERT_TRUE(Run().ok());
    EXPECT_TRUE(settings.TypeIIIErrorresults1);
    EXPECT_TRUE(group(2).hasMaximum);
    EXPECT_FALSE(group(2).hasMinimum);
    EXPECT_EQ(group(2).maximum, 130.0);
}

TEST_F(SettingsStepTest, UncheckedAndEmptyFieldsAreReadAsSuch) {
    Check(fields, "Resampled1") = false;
    Text(fields, "txtiterations") = "";
    settings.bounds = BoundsHandling::Resample;
    const SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok());
    EXPECT_NE(settings.bounds, BoundsHandling::Resample);
    EXPECT_EQ(settings.txtiterations, 10000u);
    Text(fields, "txtmean1") = "";
    ExpectFailure(Run(), kNotNumeric, "txtmean1");
}

// --- messages, focus fields and their order ----------------------------------

TEST_F(SettingsStepTest, FirstFailureInStepOrderWins) {
    // Many fields faulty at once; each rung names the failure expected, then
    // mends one field, so the failures walk through the steps in order.
    struct Rung {
        const char* message;
        const char* focus;
        const char* field;  // mended next
        const char* text;
    };
    for (int g = 1; g <= 3; ++g) group(g).hasMinimum = group(g).hasMaximum = true;
    const std::pair<const char*, const char*> faults[] = {
        {"txtmean1", "abc"},
        {"txtmean3", ""},
        {"txtMin1", "-"},
        {"txtMax1", "3"},
        {"txtMin2", "120"},
        {"txtMax2", "x"},
        {"txtMin3", "100"},
        {"txtMax3", "90"},
        {"txtNsize2", "1.99"},
        {"txtNsize3", "n"},
        {"txtiterations", "0.5"},
        {"txtseed", "seed"},
        {"txtmeanstokeep", "all"},
        {"txtReliability2", "0.00005"},
        {"txtReliability3", "r"},
        {"txtsd1", "0.00009"},
        {"txtsd3", ""},
        {"txtalpha1", "1.0"},
    };
    for (const auto& [field, text] : faults) Text(fields, field) = text;
    const Rung ladder[] = {
        {kNotNumeric, "txtmean1", "txtmean1", "4"},
        {kNotNumeric, "txtmean3", "txtmean3", "100"},
        {kNotNumeric, "txtMin1", "txtMin1", "5"},
        {kNotNumeric, "txtMax2", "txtMax2", "120"},
        {kMaxAboveMin, "txtMin1", "txtMax1", "7"},
        {kMinBelowMean, "txtMin1", "txtmean1", "8"},
        {kMaxAboveMean, "txtMax1", "txtMax1", "200"},
        {kMaxEqualsMin, "txtMin2", "txtMin2", "110"},
        {kMinBelowMean, "txtMin2", "txtmean2", "125"},
        {kMaxAboveMean, "txtMax2", "txtMax2", "200"},
        {kMinBelowMean, "txtMin3", "txtMin3", "50"},
        {kMaxAboveMean, "txtMax3", "txtMax3", "150"},
        {kSampleSize, "txtNsize2", "txtNsize2", "2"},
        {kNotNumeric, "txtNsize3", "txtNsize3", "30"},
        {kIterations, "txtiterations", "txtiterations", "1"},
        {kNotNumeric, "txtseed", "txtseed", "7"},
        {kNotNumeric, "txtmeanstokeep", "txtmeanstokeep", "1"},
        {kReliability, "txtReliability2", "txtReliability2", "0.8"},
        {kNotNumeric, "txtReliability3", "txtReliability3", ".7"},
        {kSd, "txtsd1", "txtsd1", "1"},
        {kNotNumeric, "txtsd3", "txtsd3", "2"},
        {kAlpha, "txtalpha1", "txtalpha1", ".05"},
    };
    for (const Rung& rung : ladder) {
        SCOPED_TRACE(rung.focus);
        ExpectFailure(Run(), rung.message, rung.focus);
        Text(fields, rung.field) = rung.text;
    }
    EXPECT_TRUE(Run().ok());
}

TEST_F(SettingsStepTest, FailedStepKeepsWhatWasReadAndWritten) {
    group(1).mean = -1.0;
    group(2).mean = -2.0;
    group(3).mean = -3.0;
    settings.bounds = BoundsHandling::None;
    Check(fields, "Resampled1") = false;
    Check(fields, "Winsorized1") = true;
    Check(fields, "rdoOnetail") = true;
    Text(fields, "txtmean1") = "11";
    Text(fields, "txtmean2") = "oops";
    ExpectFailure(Run(), kNotNumeric, "txtmean2");
    EXPECT_EQ(group(1).mean, 11.0);
    EXPECT_EQ(group(2).mean, -2.0);
    EXPECT_EQ(group(3).mean, -3.0);
    // Flags are copied before the first read.
    EXPECT_EQ(settings.bounds, BoundsHandling::Winsorize);
    EXPECT_TRUE(settings.rdoOnetail);

    // Sizes, iterations and seed are written back before a reliability failure.
    fields = StartFields();
    Text(fields, "txtNsize1") = "2500";
    Text(fields, "txtReliability1") = "0";
    const SettingsStepResult r = Run();
    ExpectFailure(r, kReliability, "txtReliability1");
    EXPECT_EQ(Written(r, "txtNsize1"), "2000");
    EXPECT_EQ(Written(r, "txtiterations"), "1000");
    EXPECT_EQ(Written(r, "txtseed"), "1432449975");
    EXPECT_EQ(group(1).size, 2000);
    EXPECT_EQ(group(1).reliability, 0.0);  // read, then refused
    EXPECT_EQ(seeds.deviateSeed, -1432449975);
}

TEST_F(SettingsStepTest, MendedReadingRefusesNonNumbers) {
    for (const char* text : {"inf", "-INF", "nan", "NaN", "0x1p3", "1e999", "1 0", "1,5"}) {
        SCOPED_TRACE(text);
        Text(fields, "txtsd2") = text;
        ExpectFailure(Run(), kNotNumeric, "txtsd2");
    }
}

// --- bounds -----------------------------------------------------------------------

TEST_F(SettingsStepTest, SwitchedOffBoundIsClearedAndKeepsItsValue) {
    group(1).minimum = 42.0;
    group(1).maximum = 43.0;
    Text(fields, "txtMin1") = "3";  // flag off: not read
    group(1).hasMaximum = true;
    Text(fields, "txtMax1") = "130";
    const SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(group(1).minimum, 42.0);
    EXPECT_EQ(group(1).maximum, 130.0);
    EXPECT_EQ(Written(r, "txtMin1"), "");
    EXPECT_EQ(Written(r, "txtMax1"), "<unwritten>");
}

TEST_F(SettingsStepTest, GroupOneWantsMaximumAboveMinimumGroupsTwoAndThreeOnlyRefuseEqual) {
    Text(fields, "txtmean1") = Text(fields, "txtmean2") = Text(fields, "txtmean3") = "4";
    SetUniform(1);
    SetUniform(2);
    SetUniform(3);
    SetBounds(1, "5", "3");
    ExpectFailure(Run(), kMaxAboveMin, "txtMin1");
    SetBounds(1, "5", "5");
    ExpectFailure(Run(), kMaxAboveMin, "txtMin1");
    SetBounds(1, "3", "5");

    SetBounds(2, "5", "3");
    SetBounds(3, "5", "3");
    EXPECT_TRUE(Run().ok());
    SetBounds(3, "5", "5");
    ExpectFailure(Run(), kMaxEqualsMin, "txtMin3");
}

TEST_F(SettingsStepTest, OnlyNormalGroupsCompareBoundsWithTheMean) {
    for (int g = 1; g <= 3; ++g) {
        SCOPED_TRACE(g);
        fields = StartFields();
        settings = RunSettings{};
        SetBounds(g, "100", nullptr);  // minimum equal to the mean
        ExpectFailure(Run(), kMinBelowMean, N("txtMin", g));
        SetBounds(g, nullptr, "100");
        ExpectFailure(Run(), kMaxAboveMean, N("txtMax", g));
        SetBounds(g, "99.999", "100.001");
        EXPECT_TRUE(Run().ok());
        SetUniform(g);
        SetBounds(g, "100", nullptr);
        EXPECT_TRUE(Run().ok());
        SetBounds(g, nullptr, "100");
        EXPECT_TRUE(Run().ok());
    }
}

TEST_F(SettingsStepTest, ExtremeBoundsCompareWithoutOverflow) {
    // The run command turns a raised overflow flag into an error, so the
    // checks must not subtract a huge mean from a huge bound.
    Text(fields, "txtmean1") = "-1e308";
    SetBounds(1, "1e308", "1.5e308");
    std::feclearexcept(FE_ALL_EXCEPT);
    ExpectFailure(Run(), kMinBelowMean, "txtMin1");
    SetBounds(1, "-1.7e308", "1.7e308");
    EXPECT_TRUE(Run().ok());
    EXPECT_FALSE(std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO));
}

// --- sizes, iterations, means to keep ----------------------------------------

TEST_F(SettingsStepTest, GroupSizesTruncateAndCap) {
    Text(fields, "txtNsize1") = "2.9";
    Text(fields, "txtNsize2") = "2500";
    Text(fields, "txtNsize3") = "3e9";  // capped before it becomes an integer
    const SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(group(1).size, 2);
    EXPECT_EQ(group(2).size, 2000);
    EXPECT_EQ(group(3).size, 2000);
    EXPECT_EQ(Written(r, "txtNsize1"), "2");
    EXPECT_EQ(Written(r, "txtNsize2"), "2000");
    EXPECT_EQ(Written(r, "txtNsize3"), "2000");
    EXPECT_EQ(settings.deviateRows, 2000);

    Text(fields, "txtNsize2") = "2000.99";
    Text(fields, "txtNsize3") = " 17 ";
    ASSERT_TRUE(Run().ok());
    EXPECT_EQ(group(2).size, 2000);
    EXPECT_EQ(settings.deviateRows, 2000);
    Text(fields, "txtNsize2") = "5";
    ASSERT_TRUE(Run().ok());
    EXPECT_EQ(settings.deviateRows, 17);

    for (const char* text : {"1.99", "-3", "0", "-1e300"}) {
        SCOPED_TRACE(text);
        Text(fields, "txtNsize1") = text;
        ExpectFailure(Run(), kSampleSize, "txtNsize1");
    }
}

TEST_F(SettingsStepTest, SearchTakesSmallSizesAsTwoWithoutTouchingTheText) {
    searchActive = true;
    Text(fields, "txtNsize2") = "1.5";
    Text(fields, "txtNsize3") = "-7";
    const SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(group(2).size, 2);
    EXPECT_EQ(group(3).size, 2);
    EXPECT_EQ(Written(r, "txtNsize1"), "20");
    EXPECT_EQ(Written(r, "txtNsize2"), "<unwritten>");
    EXPECT_EQ(Written(r, "txtNsize3"), "<unwritten>");
    // Every other rule still applies during a search.
    Text(fields, "txtNsize2") = "";
    ExpectFailure(Run(), kNotNumeric, "txtNsize2");
    Text(fields, "txtNsize2") = "2";
    Text(fields, "txtiterations") = "0";
    ExpectFailure(Run(), kIterations, "txtiterations");
}

TEST_F(SettingsStepTest, IterationsDefaultTruncateAndClamp) {
    struct Row {
        const char* text;
        std::uint32_t count;
        const char* written;
    };
    const Row rows[] = {
        {"", 10000u, "10000"},
        {"1e4", 10000u, "10000"},
        {"1", 1u, "1"},
        {"37.9", 37u, "37"},
        {"4294967295", 4294967295u, "4294967295"},
        {"4294967295.9", 4294967295u, "4294967295"},
        {"4294967296", 4294967295u, "4294967295"},
        {"1e12", 4294967295u, "4294967295"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Text(fields, "txtiterations") = row.text;
        const SettingsStepResult r = Run();
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(settings.txtiterations, row.count);
        EXPECT_EQ(Written(r, "txtiterations"), row.written);
        EXPECT_EQ(std::count_if(r.writeBacks.begin(), r.writeBacks.end(),
                                [](const auto& w) { return Name(w.first) == "txtiterations"; }),
                  1);
    }
    for (const char* text : {"0.5", "0.999999", "0", "-5"}) {
        SCOPED_TRACE(text);
        Text(fields, "txtiterations") = text;
        ExpectFailure(Run(), kIterations, "txtiterations");
    }
}

TEST_F(SettingsStepTest, MeansToKeepRoundsAndFindsItsLimit) {
    struct Row {
        const char* keep;
        const char* iterations;
        std::int32_t kept;
        const char* written;
    };
    const Row rows[] = {
        {"20000", "500", 10000, "10000"},  // the 10000 cap comes first
        {"700", "500", 500, "500"},
        {"-3", "500", 0, "0"},
        {"2.5", "500", 2, "<unwritten>"},  // ties to even; the text stays
        {"3.5", "500", 4, "<unwritten>"},
        {"-0.4", "500", 0, "<unwritten>"},
        {"10000.5", "20000", 10000, "<unwritten>"},
        {"10000.6", "20000", 10000, "10000"},
        {"500.5", "500", 500, "<unwritten>"},
        {"3e9", "20000", 10000, "10000"},
        {"3e9", "500", 10000, "10000"},
        {"-3e9", "500", 0, "0"},
        {"", "20000", 1000, "1000"},
        {"", "500", 500, "500"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.keep) + " of " + row.iterations);
        Text(fields, "txtmeanstokeep") = row.keep;
        Text(fields, "txtiterations") = row.iterations;
        const SettingsStepResult r = Run();
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(settings.txtmeanstokeep, row.kept);
        EXPECT_EQ(Written(r, "txtmeanstokeep"), row.written);
    }
}

// --- seeds ---------------------------------------------------------------------

TEST_F(SettingsStepTest, TypedSeedIsReducedThenTruncated) {
    struct Row {
        const char* text;
        std::int32_t seed;
        std::int32_t word;
    };
    const Row rows[] = {
        {"99999999999", 999999999, -999999999},
        {"98765432101", 987654321, -987654321},
        {"2147483647", 2147483647, -2147483647},
        {"2147483648", 214748364, -214748364},
        {"-2147483648", -214748364, -214748364},
        {"-5", -5, -5},
        {"5", 5, -5},
        {"5.9", 5, -5},
        {"-5.9", -5, -5},
        {"-0.5", 0, 0},
        {"0", 0, 0},
        {"1e300", 1000000000, -1000000000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Text(fields, "txtseed") = row.text;
        const SettingsStepResult r = Run();
        ASSERT_TRUE(r.ok());
        if (std::string(row.text) == "1e300") {
            // Three hundred divisions by ten leave rounding behind; only the range is certain.
            EXPECT_GE(settings.txtseed, 100000000);
            EXPECT_LE(settings.txtseed, 2147483647);
            EXPECT_EQ(seeds.deviateSeed, -settings.txtseed);
        } else {
            EXPECT_EQ(settings.txtseed, row.seed);
            EXPECT_EQ(seeds.deviateSeed, row.word);
            EXPECT_EQ(seeds.seedStreamSeed, row.word);
        }
        EXPECT_EQ(Written(r, "txtseed"), std::to_string(settings.txtseed));
    }
}

TEST_F(SettingsStepTest, EmptySeedDefaultsOnlyOnTheFirstRun) {
    Text(fields, "txtseed") = "";
    SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(settings.txtseed, 1432449975);
    EXPECT_EQ(Written(r, "txtseed"), "1432449975");
    EXPECT_EQ(std::count_if(r.writeBacks.begin(), r.writeBacks.end(),
                            [](const auto& w) { return Name(w.first) == "txtseed"; }),
              1);

    // Even with automatic seeds on, the first run reads the field.
    Check(fields, "chkInc") = true;
    ASSERT_TRUE(Run().ok());
    EXPECT_EQ(settings.txtseed, 1432449975);

    seedFromField = false;
    Check(fields, "chkInc") = false;
    ExpectFailure(Run(), kNotNumeric, "txtseed");
}

TEST_F(SettingsStepTest, AutomaticSeedsFollowTheChain) {
    Check(fields, "chkInc") = true;
    ASSERT_TRUE(Run().ok());  // the first run's seed comes from the field
    EXPECT_EQ(settings.txtseed, 1432449975);

    seedFromField = false;
    Text(fields, "txtseed") = "";  // not read for an automatic seed
    SettingsStepResult r = Run();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(settings.txtseed, 1257979814);
    EXPECT_EQ(Written(r, "txtseed"), "1257979814");
    EXPECT_EQ(seeds.deviateSeed, -1257979814);
    EXPECT_EQ(seeds.seedStreamSeed, -1257979814);

    // A run that fails later still takes its seed, and the chain goes on from it.
    Text(fields, "txtReliability3") = "1.01";
    r = Run();
    ExpectFailure(r, kReliability, "txtReliability3");
    RandomGenerators reference;
    std::int32_t word = -1257979814;
    const auto next =
        static_cast<std::int32_t>(std::trunc(reference.SeedDeviate(word) * 2147483647.0));
    EXPECT_EQ(settings.txtseed, next);
    EXPECT_EQ(Written(r, "txtseed"), std::to_string(next));
    EXPECT_EQ(seeds.deviateSeed, -next);
    EXPECT_NE(next, 1257979814);

    // Turning automatic seeds off reads the field again.
    Text(fields, "txtReliability3") = "1";
    Check(fields, "chkInc") = false;
    Text(fields, "txtseed") = "77";
    ASSERT_TRUE(Run().ok());
    EXPECT_EQ(settings.txtseed, 77);
    EXPECT_EQ(seeds.seedStreamSeed, -77);
}

TEST_F(SettingsStepTest, NoSeedIsChosenBeforeAnEarlierFailure) {
    Check(fields, "chkInc") = true;
    seedFromField = false;
    seeds = {-1432449975, -1432449975};
    settings.txtseed = 1432449975;
    Text(fields, "txtiterations") = "0";
    const SettingsStepResult r = Run();
    ExpectFailure(r, kIterations, "txtiterations");
    EXPECT_EQ(Written(r, "txtseed"), "<unwritten>");
    EXPECT_EQ(settings.txtseed, 1432449975);
    EXPECT_EQ(seeds.seedStreamSeed, -1432449975);
    // So the next good run still draws the first seed of the chain.
    Text(fields, "txtiterations") = "10";
    ASSERT_TRUE(Run().ok());
    EXPECT_EQ(settings.txtseed, 1257979814);
}

// --- reliability, standard deviation, alpha --------------------------------------

TEST_F(SettingsStepTest, RangeEdgesOfReliabilitySdAndAlpha) {
    struct Row {
        const char* field;
        const char* text;
        const char* message;  // nullptr: passes
    };
    const Row rows[] = {
        {"txtReliability1", "1.0", nullptr},
        {"txtReliability1", "0.0001", nullptr},
        {"txtReliability1", "0.00005", kReliability},
        {"txtReliability2", "1.0000001", kReliability},
        {"txtReliability3", "-1", kReliability},
        {"txtsd1", "0.0001", nullptr},
        {"txtsd2", "0.00009999", kSd},
        {"txtsd3", "0", kSd},
        {"txtsd3", "1e300", nullptr},
        {"txtalpha1", "0.9999", nullptr},
        {"txtalpha1", "0.0001", nullptr},
        {"txtalpha1", "1.0", kAlpha},
        {"txtalpha1", "0.00009", kAlpha},
        {"txtalpha1", "five", kNotNumeric},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " = " + row.text);
        fields = StartFields();
        Text(fields, row.field) = row.text;
        const SettingsStepResult r = Run();
        if (row.message)
            ExpectFailure(r, row.message, row.field);
        else
            EXPECT_TRUE(r.ok());
    }
}

// --- any text at all ------------------------------------------------------------

TEST_F(SettingsStepTest, ArbitraryTextsEndInARecordOrAListedMessage) {
    const std::vector<std::string> pool = {
        "",
        " ",
        "-",
        "+",
        ".",
        "1",
        "2",
        "0",
        "-0",
        "0.5",
        "1.5",
        "2.5",
        "100",
        "-100",
        "1e4",
        "1e999",
        "-1e999",
        "1e-999",
        "inf",
        "-inf",
        "nan",
        "NaN",
        "Infinity",
        "0x10",
        "3e9",
        "-3e9",
        "1e308",
        "-1e308",
        "4294967296",
        "2147483648",
        "-2147483648",
        "0.0001",
        "0.9999",
        "1.0",
        " 12 ",
        "1 2",
        "abc",
        "1e",
        "e1",
        "99999999999",
        "1.7976931348623157e308",
        "4.9e-324",
        "--1",
        "1,0",
        "\t7",
        "2000.5",
    };
    std::vector<std::string> textFields = {"txtalpha1", "txtseed", "txtiterations",
                                           "txtmeanstokeep"};
    for (int g = 1; g <= 3; ++g)
        for (const char* p : {"txtmean", "txtsd", "txtNsize", "txtReliability", "txtMin", "txtMax"})
            textFields.push_back(N(p, g));
    std::vector<std::string> checkFields = {"rdoOnetail", "rdoTwotail", "chkInc", "Resampled1",
                                            "Winsorized1"};
    for (int g = 1; g <= 3; ++g)
        for (const char* p : {"rdoNormal", "rdoUniform", "chkInteger"})
            checkFields.push_back(N(p, g));
    const std::set<std::string> messages = {
        kNotNumeric, kMaxAboveMin, kMaxEqualsMin, kMinBelowMean, kMaxAboveMean,
        kSampleSize, kIterations,  kReliability,  kSd,           kAlpha};
    const std::set<std::string> names(textFields.begin(), textFields.end());

    std::mt19937 rng(20240611u);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    auto coin = [&] { return pick(2) == 1; };
    const std::string alphabet = "0123456789+-.eE xX,naifNIF\t";
    auto randomText = [&] {
        if (coin()) return pool[pick(pool.size())];
        std::string s;
        for (std::size_t i = pick(12); i > 0; --i) s += alphabet[pick(alphabet.size())];
        return s;
    };

    int successes = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        SCOPED_TRACE(trial);
        // Half the time only a few sound fields are spoilt, so that the later
        // steps are reached too; otherwise every text and flag is random.
        fields = StartFields();
        const bool fewFaults = coin();
        const std::size_t faults = fewFaults ? 1 + pick(2) : textFields.size();
        for (std::size_t i = 0; i < faults; ++i)
            Text(fields, textFields[pick(textFields.size())]) = randomText();
        if (!fewFaults)
            for (const std::string& c : checkFields) Check(fields, c) = coin();
        for (auto& g : settings.groups) {
            g.hasMinimum = !fewFaults && coin();
            g.hasMaximum = !fewFaults && coin();
        }
        seedFromField = coin();
        searchActive = pick(4) == 0;

        std::feclearexcept(FE_ALL_EXCEPT);
        const SettingsStepResult r = Run();
        EXPECT_FALSE(std::fetestexcept(FE_OVERFLOW | FE_INVALID | FE_DIVBYZERO));
        for (const auto& [field, text] : r.writeBacks)
            EXPECT_TRUE(names.count(Name(field))) << Name(field);
        if (!r.ok()) {
            EXPECT_TRUE(messages.count(r.failure->message)) << r.failure->message;
            EXPECT_TRUE(names.count(Name(r.failure->focusField))) << Name(r.failure->focusField);
            EXPECT_EQ(r.notNumeric, r.failure->message == kNotNumeric);
            EXPECT_EQ(r.failure->kind == MessageKind::PlainMessageBox, r.notNumeric);
            continue;
        }
        ++successes;
        for (const GroupSettings& g : settings.groups) {
            EXPECT_GE(g.size, 2);
            EXPECT_LE(g.size, 2000);
            EXPECT_GE(g.reliability, 0.0001);
            EXPECT_LE(g.reliability, 1.0);
            EXPECT_GE(g.sd, 0.0001);
            EXPECT_TRUE(std::isfinite(g.mean));
        }
        EXPECT_EQ(settings.deviateRows, std::max({settings.groups[0].size, settings.groups[1].size,
                                                  settings.groups[2].size}));
        EXPECT_GE(settings.txtiterations, 1u);
        EXPECT_GE(settings.txtmeanstokeep, 0);
        EXPECT_LE(settings.txtmeanstokeep, 10000);
        EXPECT_GE(settings.alpha, 0.0001);
        EXPECT_LE(settings.alpha, 0.9999);
        EXPECT_GE(settings.txtseed, -2147483647);
        EXPECT_EQ(seeds.deviateSeed, settings.txtseed < 0 ? settings.txtseed : -settings.txtseed);
        EXPECT_EQ(seeds.seedStreamSeed, seeds.deviateSeed);
        EXPECT_EQ(Written(r, "txtseed"), std::to_string(settings.txtseed));
    }
    // The trials must reach the end of the step often enough to mean something.
    EXPECT_GT(successes, 300);
}

}  // namespace
