// The options that several commands of tonalith-cli share, each bound to its field with CLI11,
// and the refusals of the command line as a whole.
#pragma once

#include "cli/CliOptions.h"
#include "core/analysis/ParameterCatalogue.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace cli {

// A refusal worded in full (CLI11 puts the option's name before what a validator says).
struct Refusal : CLI::ParseError {
    explicit Refusal(const std::string& text)
        : CLI::ParseError("Refusal", text, CLI::ExitCodes::ValidationError) {}
};

class OptionGroups {
public:
    OptionGroups(CLI::App& cmd, analysis::Command tool, std::string name);

    bool takes(analysis::ParameterId id) const;

    // A number of the catalogue, by the strict number rule and, unless the run or the command
    // words its refusal, by the catalogue's rule.
    template <typename T>
    CLI::Option* number(analysis::ParameterId id, T& field, const char* group,
                        bool checkedEarly = true);
    template <typename T>
    CLI::Option* numberIfTaken(analysis::ParameterId id, T& field, const char* group);
    // A text read as it is.
    CLI::Option* text(const std::string& flag, const std::string& valueName,
                      const std::string& description, std::string& field, const char* group);
    // A text read by a parser into a field of its own type.
    CLI::Option* parsed(const std::string& flag, const std::string& valueName,
                        const std::string& description,
                        const std::function<void(const std::string&)>& read, const char* group);
    // A file or folder name; an empty one is refused with whenEmpty.
    CLI::Option* path(const std::string& flag, const std::string& valueName,
                      const std::string& description, std::string& field, const char* group,
                      const std::string& whenEmpty);
    CLI::Option* figure(const std::string& flag, const std::string& description, std::string& field,
                        const char* group);
    CLI::Option* band(analysis::ParameterId id, astro::Band& field, const char* group);
    void on(const std::string& flag, const std::string& description, bool& field,
            const char* group);
    void on(analysis::ParameterId id, bool& field, const char* group);

    void addInput(AnalyzeOptions& a);
    void addPreparation(AnalyzeOptions& a);
    void addAnalysis(AnalyzeOptions& a);
    void addFigureSize(AnalyzeOptions& a, const char* group);
    CLI::Option* addPositionUnit(std::string& unit, const char* group);
    // The periods a record is tested against: --targets FILE, or --age-ma A for the precession
    // and obliquity periods of an age; each excludes the other.
    void addTargets(std::string& file, std::optional<double>& ageMa, const char* group);
    void addOutput(std::string& file, bool* quiet);
    void addHelp();

    // The words CLI11 is to read: those before a lone "--" or "++" that is no option's value
    // (refused, as before, rather than read as CLI11's end of options or of the command).
    std::vector<std::string> wordsToRead(const std::vector<std::string>& args);

    // The first word read so far that the command refuses (CLI11 keeps the words it does not
    // know, and the data file, for the end of the command line).
    std::optional<std::string> earlierWordAtFault() const;

    // The refusals once every option is read: a lone "--" or "++", then two options that
    // exclude each other (the same setting in position units and in samples, --age-ma and
    // --targets).
    std::optional<std::string> strayOrTwin() const;
    // What the record's commands lack or refuse after the command's own checks.
    std::optional<std::string> recordIncomplete(const AnalyzeOptions& a) const;

    CLI::App& cmd;
    const analysis::Command tool;
    const std::string name;

private:
    std::string unknown(const std::string& arg) const;
    void checkFile(const std::string& word) const;
    void addInterpolation(AnalyzeOptions& a, const char* group);
    void giveBack(const std::string& word);
    void twins(CLI::Option* units, CLI::Option* samples);
    // a excludes b; given both, the refusal is `why`.
    void exclusive(CLI::Option* a, CLI::Option* b, std::string why);

    CLI::Option* file_ = nullptr;
    std::string* fileField_ = nullptr;
    bool fileGivenBack_ = false; // the data file was the word after --interpolate
    struct Exclusive {
        CLI::Option *a, *b;
        std::string why;
    };
    std::vector<Exclusive> exclusive_;
    std::string stray_;
};

} // namespace cli
