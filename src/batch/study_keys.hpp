#pragma once
// Every key a study file knows, in one table: its section, its name and the
// kind of value it takes. The study reader checks values by it and the
// typing of a study into the window finds values by it, so a new key is
// added here once and a switch over StudyKey then asks where it is typed.

#include <string_view>

namespace velmor::batch {

enum class StudyKey {
    // [group g] and [groups]
    Distribution,
    Mean,
    Sd,
    N,
    Reliability,
    Integer,
    Minimum,
    Maximum,
    // [group g] and [groups]: a population shape's parameters
    Skewness,
    Kurtosis,
    G,
    H,
    Df,
    Sigma,
    Proportion,
    SdRatio,
    // [run]
    Alpha,
    Seed,
    Samples,
    MeansToKeep,
    Bounds,
    ConditionSeeds,
    NoVariance,
    Precision,
    Decide,
    Tests,
    Generator,
    // [search]
    Power,
    SearchSamples,
    Confirm,
    Seeds,
};

enum class KeySection { Group, Run, Search };

// What a key's value must be. The words of each word kind are listed with
// the kind's message in the study reader.
enum class ValueKind {
    Number,
    OptionalNumber,
    Distribution,
    YesNo,
    Bounds,
    Confirm,
    Seeds,
    ConditionSeeds,
    NoVariance,
    Precision,
    Decide,
    Tests,
    Generator,
};

struct StudyKeyRule {
    StudyKey key;
    KeySection section;
    std::string_view name;
    ValueKind kind;
};

inline constexpr StudyKeyRule kStudyKeys[] = {
    {StudyKey::Distribution, KeySection::Group, "distribution", ValueKind::Distribution},
    {StudyKey::Mean, KeySection::Group, "mean", ValueKind::Number},
    {StudyKey::Sd, KeySection::Group, "sd", ValueKind::Number},
    {StudyKey::N, KeySection::Group, "n", ValueKind::Number},
    {StudyKey::Reliability, KeySection::Group, "reliability", ValueKind::Number},
    {StudyKey::Integer, KeySection::Group, "integer", ValueKind::YesNo},
    {StudyKey::Minimum, KeySection::Group, "minimum", ValueKind::OptionalNumber},
    {StudyKey::Maximum, KeySection::Group, "maximum", ValueKind::OptionalNumber},
    {StudyKey::Skewness, KeySection::Group, "skewness", ValueKind::Number},
    {StudyKey::Kurtosis, KeySection::Group, "kurtosis", ValueKind::Number},
    {StudyKey::G, KeySection::Group, "g", ValueKind::Number},
    {StudyKey::H, KeySection::Group, "h", ValueKind::Number},
    {StudyKey::Df, KeySection::Group, "df", ValueKind::Number},
    {StudyKey::Sigma, KeySection::Group, "sigma", ValueKind::Number},
    {StudyKey::Proportion, KeySection::Group, "proportion", ValueKind::Number},
    {StudyKey::SdRatio, KeySection::Group, "sd_ratio", ValueKind::Number},
    {StudyKey::Alpha, KeySection::Run, "alpha", ValueKind::Number},
    {StudyKey::Seed, KeySection::Run, "seed", ValueKind::Number},
    {StudyKey::Samples, KeySection::Run, "samples", ValueKind::Number},
    {StudyKey::MeansToKeep, KeySection::Run, "means_to_keep", ValueKind::Number},
    {StudyKey::Bounds, KeySection::Run, "bounds", ValueKind::Bounds},
    {StudyKey::ConditionSeeds, KeySection::Run, "seeds", ValueKind::ConditionSeeds},
    {StudyKey::NoVariance, KeySection::Run, "no_variance", ValueKind::NoVariance},
    {StudyKey::Precision, KeySection::Run, "precision", ValueKind::Precision},
    {StudyKey::Decide, KeySection::Run, "decide", ValueKind::Decide},
    {StudyKey::Tests, KeySection::Run, "tests", ValueKind::Tests},
    {StudyKey::Generator, KeySection::Run, "generator", ValueKind::Generator},
    {StudyKey::Power, KeySection::Search, "power", ValueKind::Number},
    {StudyKey::SearchSamples, KeySection::Search, "samples", ValueKind::Number},
    {StudyKey::Confirm, KeySection::Search, "confirm", ValueKind::Confirm},
    {StudyKey::Seeds, KeySection::Search, "seeds", ValueKind::Seeds},
};

// The key's name as a study file writes it ("means_to_keep").
constexpr std::string_view KeyName(StudyKey key) {
    for (const StudyKeyRule& rule : kStudyKeys)
        if (rule.key == key) return rule.name;
    return {};
}

// The rule of a key named in a section, or nothing for a key the section
// does not know.
constexpr const StudyKeyRule* FindStudyKey(KeySection section, std::string_view name) {
    for (const StudyKeyRule& rule : kStudyKeys)
        if (rule.section == section && rule.name == name) return &rule;
    return nullptr;
}

}  // namespace velmor::batch
