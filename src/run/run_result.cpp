#include "run/run_result.hpp"

#include "run/study_choices.hpp"

namespace velmor {

const char* VerdictKeyword(Verdict verdict) {
    switch (verdict) {
        case Verdict::None:
            return "NONE";
        case Verdict::Robust:
            return "ROBUST";
        case Verdict::Inflated:
            return "INFLATED";
        case Verdict::Conservative:
            return "CONSERVATIVE";
        case Verdict::Power:
            return "POWER";
        case Verdict::Caution:
            return "CAUTION";
    }
    return "NONE";
}

const char* StopReasonWord(StopReason reason) {
    switch (reason) {
        case StopReason::Samples:
            return "samples";
        case StopReason::Precision:
            return "precision";
        case StopReason::Decided:
            return "decided";
    }
    return "";
}

const char* GeneratorWord(Generator generator) {
    return generator == Generator::Philox ? "philox" : "classic";
}

}  // namespace velmor
