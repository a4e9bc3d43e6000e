#pragma once
// The tests of equal means a study can run on every replication, and the
// names a study file chooses them by.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace velmor {

enum class MeanTestKind {
    F,  // the one-way analysis of variance F test, computed by the replication
    Welch,
    BrownForsythe,
    James,
    AlexanderGovern,
    KruskalWallis,
    TrimmedWelch,
};
inline constexpr int kMeanTestKinds = 7;

inline constexpr std::array<MeanTestKind, kMeanTestKinds> kAllMeanTests = {
    MeanTestKind::F,           MeanTestKind::Welch,           MeanTestKind::BrownForsythe,
    MeanTestKind::James,       MeanTestKind::AlexanderGovern, MeanTestKind::KruskalWallis,
    MeanTestKind::TrimmedWelch};

// The name in a study file and in output: "f", "welch", "brown-forsythe",
// "james", "alexander-govern", "kruskal-wallis", "trimmed-welch".
std::string_view MeanTestName(MeanTestKind kind);

// The kind of a name (exact, lower case), or none.
std::optional<MeanTestKind> MeanTestFromName(std::string_view name);

// Which tests a run computes. F is always among them.
class MeanTestSelection {
  public:
    MeanTestSelection() { chosen_[Index(MeanTestKind::F)] = true; }
    static MeanTestSelection All();

    void choose(MeanTestKind kind) { chosen_[Index(kind)] = true; }
    bool chosen(MeanTestKind kind) const { return chosen_[Index(kind)]; }
    // True when some test besides F is chosen.
    bool anyBesidesF() const;
    bool operator==(const MeanTestSelection&) const = default;

  private:
    static constexpr int Index(MeanTestKind kind) { return static_cast<int>(kind); }
    std::array<bool, kMeanTestKinds> chosen_{};
};

// Reads the value of `tests = ...`: names separated by blanks (spaces or
// tabs), or `all`, in any order, repeats allowed; `f` may be named but is
// always run. An empty value chooses F alone. Returns the selection, or the
// message for the first name that is no test, which names the tests there are
// (and, when the name holds a comma, says that names are separated by blanks).
std::variant<MeanTestSelection, std::string> ParseMeanTests(std::string_view value);

}  // namespace velmor
