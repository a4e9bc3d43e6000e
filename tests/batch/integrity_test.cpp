// What the batch's records and summary parts vouch for: SHA-256 as published,
// files read without blocking, parts whose rows are checked one by one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <variant>

#include "batch/output_names.hpp"
#include "batch/sha256.hpp"
#include "batch/shards.hpp"
#include "output/scratch_dir.hpp"

namespace velmor::batch {
namespace {

using velmor::testing::ScratchDir;

// FIPS 180-2, appendix B.1 and B.2, and the hash of no bytes.
TEST(Sha256, GivesThePublishedValues) {
    EXPECT_EQ(Sha256::Of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::Of("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, DescribesTheFileALineSinkWritesAndReadsItBack) {
    ScratchDir dir;
    // The sink ends the last line with CR LF when the text does not.
    const FileDigest text = DigestOfText("a\r\nb");
    EXPECT_EQ(text.size, 6u);
    EXPECT_EQ(text.sha256, Sha256::Of("a\r\nb\r\n"));
    EXPECT_EQ(DigestOfText("").size, 0u);
    std::ofstream(dir / "f", std::ios::binary) << "a\r\nb\r\n";
    const FileCheck file = DigestOfFile(dir / "f");
    ASSERT_TRUE(file.digest);
    EXPECT_EQ(file.digest->size, text.size);
    EXPECT_EQ(file.digest->sha256, text.sha256);
    EXPECT_EQ(DigestOfFile(dir / "none").problem, "is missing");
    // A FIFO has no writer: opening it to read would wait for ever.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(DigestOfFile(dir / "fifo").problem, "is not a regular file");
}

struct Tamper {
    const char* what;
    std::string (*change)(std::string part);
    const char* message;
};

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class TamperedPart : public ::testing::TestWithParam<Tamper> {};

// Shard 1 of 2 of a grid of five: conditions 1, 3 and 5.
std::string PartOne() {
    return PartText({1, 2}, 5, 42, true, "file,condition,status",
                    {{0, "g.study,g-1,ok"}, {2, "g.study,g-3,ok"}, {4, "g.study,g-5,ok"}});
}
std::string PartTwo() {
    return PartText({2, 2}, 5, 42, true, "file,condition,status",
                    {{1, "g.study,g-2,ok"}, {3, "g.study,g-4,ok"}});
}

TEST(Parts, MergeIntoTheRowsInGridOrder) {
    const auto merged = MergeParts({{"two.csv", PartTwo()}, {"one.csv", PartOne()}});
    ASSERT_TRUE(std::holds_alternative<std::string>(merged));
    EXPECT_EQ(std::get<std::string>(merged),
              "file,condition,status\r\ng.study,g-1,ok\r\ng.study,g-2,ok\r\ng.study,g-3,ok\r\n"
              "g.study,g-4,ok\r\ng.study,g-5,ok\r\n");
}

TEST_P(TamperedPart, IsRefusedNamingTheFirstBadRow) {
    const auto merged =
        MergeParts({{"one.csv", GetParam().change(PartOne())}, {"two.csv", PartTwo()}});
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(merged)) << GetParam().what;
    const auto& problems = std::get<std::vector<std::string>>(merged);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, TamperedPart,
    ::testing::Values(
        Tamper{"an edited cell", [](std::string p) { return ReplaceOnce(p, "g-3,ok", "g-3,no"); },
               "one.csv (shard 1 of 2) was changed after it was written: row 2 (line 4, "
               "condition g-3) is not the row the shard wrote for condition 3 of the grid"},
        Tamper{"two rows swapped",
               [](std::string p) {
                   return ReplaceOnce(ReplaceOnce(p, "g-3,ok", "g-X,ok"), "g-5,ok", "g-3,ok");
               },
               "one.csv (shard 1 of 2) was changed after it was written: row 2 (line 4, "
               "condition g-X) is not the row the shard wrote for condition 3 of the grid"},
        Tamper{"a row of the other shard",
               [](std::string p) { return ReplaceOnce(p, "g-1,ok", "g-2,ok"); },
               "one.csv (shard 1 of 2) was changed after it was written: row 1 (line 3, "
               "condition g-2) is not the row the shard wrote for condition 1 of the grid"},
        Tamper{"line ends of another system",
               [](std::string p) { return ReplaceOnce(p, "status\r\n", "status\n"); },
               "one.csv (shard 1 of 2) was changed after it was written: its header or line "
               "ends differ"}));

TEST(UnwritableOutputs, NamesTooLongAndSummaryFoldersMissingAreFoundBeforeRunning) {
    ScratchDir dir;
    const std::string longName(250, 'n');  // 250 + "_means.DAT" > 255
    const auto problems =
        FindUnwritableOutputs({{"a.study", longName}, {"b.study", "b"}}, {dir.path(), false, true},
                              {(dir / "no" / "s.csv").string()});
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("the means file " + longName + "_means.DAT is longer (260 bytes)"),
              std::string::npos)
        << problems[0];
    EXPECT_NE(problems[1].find("s.csv does not exist"), std::string::npos) << problems[1];
    EXPECT_TRUE(FindUnwritableOutputs({{"b.study", "b"}}, {dir.path(), true, true},
                                      {(dir / "s.csv").string()})
                    .empty());
}

}  // namespace
}  // namespace velmor::batch
