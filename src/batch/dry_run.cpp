#include "batch/dry_run.hpp"

#include "analysis/expected_samples.hpp"
#include "batch/csv.hpp"
#include "batch/exit_codes.hpp"
#include "batch/output_files.hpp"
#include "batch/study_runner.hpp"

namespace velmor::batch {

int DryRun(const BatchOptions& options, const ConditionList& conditions, std::ostream& err) {
    std::string csv = "file,condition";
    for (const std::string& column : conditions.factorColumns()) csv += "," + CsvField(column);
    csv += ",samples,expected_samples,basis\r\n";
    int code = 0;
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        if (options.shard && !options.shard->owns(i)) continue;
        csv += CsvField(conditions.file(i)) + "," + CsvField(conditions.name(i));
        for (const std::string& cell : conditions.factorCells(i)) csv += "," + CsvField(cell);
        std::string samples, expected, basis;
        if (!conditions.errors(i).empty()) {
            basis = "not readable: " + conditions.errors(i).front().text();
            code = kExitFailure;
        } else {
            const Study study = conditions.study(i);
            const std::optional<RunSettings> settings = StudySettings(study);
            if (!settings) {
                basis = "refused by the window's rules";
                code = kExitFailure;
            } else if (study.search) {
                samples = std::to_string(settings->txtiterations);
                basis = "a sample-size search: its trials decide their samples";
            } else {
                const ExpectedSamples e = ExpectSamples(*settings, StudyStoppingChoice(study));
                samples = std::to_string(settings->txtiterations);
                expected = std::to_string(e.samples);
                basis = e.basis;
            }
        }
        csv += "," + samples + "," + expected + "," + CsvField(basis) + "\r\n";
    }
    try {
        WriteStandardOutput(csv, {});
    } catch (const WriteError& error) {
        err << "velmor-batch: " << error.withReason() << " writing standard output\n";
        return kExitFailure;
    }
    return code;
}

}  // namespace velmor::batch
