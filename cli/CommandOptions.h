// The options of one command of tonalith-cli on its CLI11 subcommand, added by concern (input,
// preparation, analysis, map, lines, whole record, trace, tune, tapers, band-pass, astronomical
// test, evolutive test, output), each reading into the parsed command line, and the checks made
// once every option is read.
#pragma once

#include "cli/CliOptions.h"
#include "core/analysis/ParameterCatalogue.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// A refusal worded in full, thrown from an option's callback (CLI11 puts the option's name
// before what a validator says, and some refusals are worded otherwise).
struct Refusal {
    std::string text;
};

// --help, read before any refusal.
struct HelpAsked {};

class CommandOptions {
public:
    // Adds the command's options to cmd, reading into p.
    CommandOptions(CLI::App& cmd, analysis::Command tool, std::string name, ParsedCommandLine& p);

    // The command line as CLI11 is to read it (see the definition).
    std::vector<std::string> prepared(const std::vector<std::string>& args);

    // What the command still lacks, or a combination it refuses, once every option is read;
    // a lone "--" or "++" first.
    std::optional<std::string> incomplete();

    // The refusal of a word the command does not know.
    std::string unknown(const std::string& arg) const;

    // Throws the Refusal of a word read so far that the command refuses (CLI11 keeps the words
    // it does not know, and the data file, for the end of the command line).
    void refuseEarlierWords() const;

private:
    using Setter = std::function<void(const std::string&)>;
    CLI::Option* valued(const std::string& flag, const std::string& valueName,
                        const std::string& description, Setter set, const char* group);
    template <typename T>
    CLI::Option* number(analysis::ParameterId id, T& target, const char* group,
                        bool checkedEarly = true);
    template <typename T>
    CLI::Option* numberIfTaken(analysis::ParameterId id, T& target, const char* group);
    CLI::Option* path(const std::string& flag, const std::string& valueName,
                      const std::string& description, std::string& target, const char* group,
                      const std::string& whenEmpty);
    void on(const std::string& flag, const std::string& description, bool& target,
            const char* group);
    void on(analysis::ParameterId id, bool& target, const char* group);
    CLI::Option* band(analysis::ParameterId id, astro::Band& target, const char* group);
    CLI::Option* figure(const std::string& flag, const std::string& description,
                        std::string& target, const char* group);
    bool takes(analysis::ParameterId id) const;
    void checkFile(const std::string& name) const;

    void addInput();
    void addPreparation();
    void addInterpolation(const char* group);
    void addAnalysis();
    void addMap();
    void addFigureSize(const char* group);
    void addLines();
    void addWholeRecord();
    void addTrace();
    void addTune();
    void addTapers();
    void addPositionUnit(const char* group);
    void addPassband();
    void addAstronomicalTest();
    void addEvolutiveTest();
    void addOutput();
    void addHelp();
    std::optional<std::string> twinGiven() const;
    std::optional<std::string> tuneIncomplete();

    CLI::App& cmd_;
    analysis::Command tool_;
    std::string name_;
    ParsedCommandLine& p_;
    AnalyzeOptions& a_; // the astronomical commands' input and output options too
    TapersOptions& t_;
    AstroOptions& x_;
    CLI::Option *window_ = nullptr, *step_ = nullptr, *fmax_ = nullptr, *level_ = nullptr;
    CLI::Option *windowLength_ = nullptr, *stepLength_ = nullptr, *fmaxPerUnit_ = nullptr;
    CLI::Option* file_ = nullptr;
    std::string stray_; // a lone "--" or "++": the command line is read up to it
};

} // namespace cli
