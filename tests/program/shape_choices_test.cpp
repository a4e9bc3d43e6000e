// The shapes a user chooses beside the main window: the dialog's entries read
// into shapes and refused with the study file's own message, their words in
// the main window's note, and Reset to Defaults and the presets returning
// every group to normal while the effect sizes keep the shapes.
#include "program/shape_choices.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <variant>

#include "core/shape_refusal.hpp"
#include "program/program.hpp"
#include "support/fake_platform.hpp"
#include "support/run_fixture.hpp"

namespace velmor {
namespace {

std::array<ShapeEntry, kGroups> Entries(int group, ShapeFamily family, std::string first,
                                        std::string second = "") {
    std::array<ShapeEntry, kGroups> entries{};
    entries[group].family = family;
    entries[group].texts = {std::move(first), std::move(second)};
    return entries;
}

struct Accepted {
    ShapeFamily family;
    const char* first;
    const char* second;
    PopulationShape expected;
};

class AcceptedShape : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedShape, IsReadIntoItsFamilysMembers) {
    const Accepted& row = GetParam();
    const auto read = ReadShapeEntries(Entries(1, row.family, row.first, row.second));
    ASSERT_TRUE(std::holds_alternative<GroupShapes>(read))
        << std::get<ShapeEntryError>(read).message;
    const GroupShapes& shapes = std::get<GroupShapes>(read);
    EXPECT_FALSE(shapes[0]);
    ASSERT_TRUE(shapes[1]);
    EXPECT_EQ(*shapes[1], row.expected);
    EXPECT_FALSE(shapes[2]);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, AcceptedShape,
    ::testing::Values(
        Accepted{ShapeFamily::Fleishman, "1", "1.5", PopulationShape::Fleishman(1, 1.5)},
        Accepted{ShapeFamily::GAndH, " .5", "0.1 ", PopulationShape::GAndH(0.5, 0.1)},
        Accepted{ShapeFamily::Lognormal, "0.25", "", PopulationShape::Lognormal(0.25)},
        // Exponential has no parameter: stray texts are not read.
        Accepted{ShapeFamily::Exponential, "x", "y", PopulationShape::Exponential()},
        Accepted{ShapeFamily::ChiSquare, "3", "", PopulationShape::ChiSquare(3)},
        Accepted{ShapeFamily::StudentT, "4.5", "", PopulationShape::StudentT(4.5)},
        Accepted{ShapeFamily::Contaminated, "0.05", "1e1",
                 PopulationShape::Contaminated(0.05, 10)}));

struct Refused {
    ShapeFamily family;
    const char* first;
    const char* second;
    int parameter;
};

class RefusedShape : public ::testing::TestWithParam<Refused> {};

// The dialog's refusal is ShapeRefusal's message word for word, the one a
// study file gets for the same keys.
TEST_P(RefusedShape, CarriesTheStudyFilesMessage) {
    const Refused& row = GetParam();
    const auto read = ReadShapeEntries(Entries(2, row.family, row.first, row.second));
    ASSERT_TRUE(std::holds_alternative<ShapeEntryError>(read));
    const ShapeEntryError& error = std::get<ShapeEntryError>(read);
    EXPECT_EQ(error.group, 2);
    EXPECT_EQ(error.parameter, row.parameter);
    PopulationShape shape;
    shape.family = row.family;
    const std::vector<ShapeParameter> parameters = ShapeParameters(row.family);
    shape.*parameters[0].member = std::stod(row.first);
    if (parameters.size() > 1) shape.*parameters[1].member = std::stod(row.second);
    const std::optional<std::string> refusal = ShapeRefusal(shape);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(error.message, *refusal);
}

INSTANTIATE_TEST_SUITE_P(ImpossibleCombinations, RefusedShape,
                         // The parameter is the one the dialog focuses: the
                         // one to put right.
                         ::testing::Values(Refused{ShapeFamily::Fleishman, "2", "3", 1},
                                           Refused{ShapeFamily::Fleishman, "5", "40", 1},
                                           Refused{ShapeFamily::Fleishman, "20", "40", 0},
                                           Refused{ShapeFamily::GAndH, "0.5", "0.3", 1},
                                           Refused{ShapeFamily::GAndH, "0.00001", "0.1", 0},
                                           Refused{ShapeFamily::Lognormal, "0", "", 0},
                                           Refused{ShapeFamily::StudentT, "4", "", 0},
                                           Refused{ShapeFamily::ChiSquare, "-1", "", 0},
                                           Refused{ShapeFamily::Contaminated, "1.5", "3", 0},
                                           Refused{ShapeFamily::Contaminated, "0.1", "0", 1}));

TEST(ShapeEntries, ATextThatIsNoNumberNamesTheShapeAndItsKey) {
    for (const char* text : {"", "abc", "1,5", "inf", "--1"}) {
        const auto read = ReadShapeEntries(Entries(1, ShapeFamily::Contaminated, "0.1", text));
        ASSERT_TRUE(std::holds_alternative<ShapeEntryError>(read)) << text;
        const ShapeEntryError& error = std::get<ShapeEntryError>(read);
        EXPECT_EQ(error.group, 1);
        EXPECT_EQ(error.parameter, 1);
        EXPECT_EQ(error.message, "The contaminated shape's sd_ratio must be a number.");
    }
}

TEST(ShapeEntries, NothingIsTakenUnlessEveryGroupCanBe) {
    std::array<ShapeEntry, kGroups> entries{};
    entries[0] = {ShapeFamily::StudentT, {"10", ""}};
    entries[1] = {ShapeFamily::Fleishman, {"2", "3"}};
    entries[2] = {ShapeFamily::Lognormal, {"-1", ""}};
    const auto read = ReadShapeEntries(entries);
    ASSERT_TRUE(std::holds_alternative<ShapeEntryError>(read));
    EXPECT_EQ(std::get<ShapeEntryError>(read).group, 1);  // the first in error
}

// Every family's proposed values are a shape it can have, and the entries
// that show a choice read back as that very choice (every bit of each value).
TEST(ShapeEntries, ProposedValuesAreAcceptedAndEntriesRoundTrip) {
    for (ShapeFamily family : kShapeFamilies) {
        PopulationShape shape;
        shape.family = family;
        for (const ShapeParameter& p : ShapeParameters(family)) shape.*p.member = p.proposed;
        EXPECT_FALSE(ShapeRefusal(shape)) << ShapeName(family);
        GroupShapes shapes{};
        shapes[2] = shape;
        const auto read = ReadShapeEntries(EntriesOf(shapes));
        ASSERT_TRUE(std::holds_alternative<GroupShapes>(read)) << ShapeName(family);
        EXPECT_EQ(std::get<GroupShapes>(read), shapes) << ShapeName(family);
    }
    GroupShapes awkward{};
    awkward[0] = PopulationShape::Fleishman(0.1 + 0.2, -0.3 + 1e-17);
    EXPECT_EQ(std::get<GroupShapes>(ReadShapeEntries(EntriesOf(awkward))), awkward);
}

TEST(ShapeNote, IsEmptyWithoutShapesAndNamesEachShapedGroup) {
    GroupShapes shapes{};
    EXPECT_EQ(ShapeNoteText(shapes), "");
    EXPECT_EQ(ShapeChoiceText(shapes), "");
    shapes[0] = PopulationShape::Fleishman(1, 1.5);
    shapes[2] = PopulationShape::StudentT(5);
    EXPECT_EQ(ShapeNoteText(shapes), "Shapes: group 1 fleishman, group 3 t");
    EXPECT_EQ(ShapeChoiceText(shapes),
              "group 1 fleishman (skewness 1, kurtosis 1.5); group 3 t (df 5)");
    EXPECT_EQ(ShapedGroupsText(shapes), "Shapes: groups 1 and 3");
    shapes[1] = PopulationShape::Exponential();
    EXPECT_EQ(ShapedGroupsText(shapes), "Shapes: groups 1, 2 and 3");
    EXPECT_EQ(ShapedGroupsText({std::nullopt, PopulationShape::StudentT(5), std::nullopt}),
              "Shapes: group 2");
    EXPECT_EQ(ShapedGroupsText(GroupShapes{}), "");
    EXPECT_EQ(ShapeDescription(PopulationShape::Exponential()), "exponential");
    EXPECT_EQ(ShapeDescription(PopulationShape::Contaminated(0.1, 3)),
              "contaminated (proportion 0.1, sd_ratio 3)");
}

class ShapesAndResetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.attach(program.windows());
        program.state().choices.shapes[0] = PopulationShape::GAndH(0.5, 0.1);
        program.state().choices.shapes[2] = PopulationShape::Exponential();
        program.state().choices.tests.choose(MeanTestKind::Welch);
    }
    void choose(std::string_view item) { program.mainWindow().menus().item(item).trigger(); }

    testing::FakePlatform platform;
    testing::SilentConsole console;
    Program program{platform, &console};
};

TEST_F(ShapesAndResetTest, ResetAndEveryPresetReturnEveryGroupToNormal) {
    for (const char* item :
         {"Reset1", "ResettoStandardNormal1", "ResettoNormalIQtype1", "ResettoNormalTscores1",
          "ResettoCEEBSATscores1", "ResettoUniform011", "ResettoUniformMean01",
          "ResettoUniformUID331", "ResettoUniform01001"}) {
        program.state().choices.shapes[1] = PopulationShape::Lognormal(0.5);
        choose(item);
        EXPECT_EQ(program.state().choices.shapes, GroupShapes{}) << item;
        // The tests chosen are what a run computes, not what it draws: kept.
        EXPECT_TRUE(program.state().choices.tests.chosen(MeanTestKind::Welch)) << item;
    }
}

TEST_F(ShapesAndResetTest, EffectSizesKeepTheShapes) {
    const GroupShapes before = program.state().choices.shapes;
    for (const char* item : {"NoEffect1", "SmallEffect1", "MediumEffect1", "LargeEffect1"}) {
        choose(item);
        EXPECT_EQ(program.state().choices.shapes, before) << item;
    }
}

// A group set to Uniform has the Uniform choice's bounds in force; a shape
// drawn inside them would be cut off without a word, so the run is refused
// and nothing runs.
TEST_F(ShapesAndResetTest, AShapeOnAUniformGroupIsRefusedNotCutOff) {
    program.mainWindow().groups[2].rdoUniform.setChecked(true);
    program.run().btnRunClick();
    EXPECT_EQ(program.run().lastOutcome(), RunController::Outcome::SettingsFailed);
    ASSERT_FALSE(platform.messages().empty());
    EXPECT_EQ(platform.messages().back().substr(0, 55),
              "Group 3 has a population shape and is set to Uniform in");
    EXPECT_EQ(program.state().result.completed, 0);
}

}  // namespace
}  // namespace velmor
