// tonalith-cli: the analysis without a window, for batch use and scripts.
#include "cli/AstroOptions.h"
#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "core/results/HeaderBlock.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {
void complain(const std::string& text) {
    std::fprintf(stderr, "tonalith-cli: %s\n", text.c_str());
}
} // namespace cli

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const cli::ParseResult r = cli::parseCommandLine(args);
    if (!r.parsed) {
        cli::complain(r.error);
        return cli::EXIT_BAD_INPUT;
    }
    switch (r.parsed->command) {
    case cli::Command::Version:
        std::printf("tonalith-cli %s\n", results::programVersion());
        return 0;
    case cli::Command::Help:
        std::fputs(cli::helpText(r.parsed->helpTopic).c_str(), stdout);
        return 0;
    case cli::Command::Analyze:
        return cli::runAnalyze(r.parsed->analyze);
    case cli::Command::Peaks:
        return cli::runPeaks(r.parsed->analyze);
    case cli::Command::Spectrum:
        return cli::runSpectrum(r.parsed->analyze);
    case cli::Command::Trace:
        return cli::runTrace(r.parsed->analyze);
    case cli::Command::Tune:
        return cli::runTune(r.parsed->analyze);
    case cli::Command::Tapers:
        return cli::runTapers(r.parsed->tapers);
    case cli::Command::Filter:
        return cli::runFilter(r.parsed->astro);
    case cli::Command::TimeOpt:
        return cli::runTimeOpt(r.parsed->astro);
    case cli::Command::ETimeOpt:
        return cli::runETimeOpt(r.parsed->astro);
    case cli::Command::Misfit:
        return cli::runMisfit(r.parsed->astro);
    case cli::Command::TuneSedrate:
        return cli::runTuneSedrate(r.parsed->astro);
    }
    return cli::EXIT_BAD_INPUT;
}
