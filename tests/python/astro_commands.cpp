// The tool's astronomical command bodies, run with their defaults, so that the module can be
// compared with their files before the tool's parser offers the commands:
//   python_astro_commands filter FILE OUT FLO FHI
//   python_astro_commands timeopt FILE OUT SIMS
//   python_astro_commands etimeopt FILE OUT WINDOW_LENGTH STEP_LENGTH TRACK
//   python_astro_commands sedrate FILE OUT TRACK
#include "cli/AstroOptions.h"
#include "cli/Commands.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace cli {
void complain(const std::string& text) {
    std::fprintf(stderr, "tonalith-cli: %s\n", text.c_str());
}
} // namespace cli

int main(int argc, char** argv) {
    const auto usage = [] {
        std::fputs("usage: python_astro_commands filter|timeopt|etimeopt|sedrate FILE OUT ...\n",
                   stderr);
        return 2;
    };
    if (argc < 4)
        return usage();
    const std::string command = argv[1];
    cli::AstroOptions o;
    o.input.file = argv[2];
    o.input.output = argv[3];
    o.input.quiet = true;
    if (command == "filter" && argc == 6) {
        o.passband = {std::atof(argv[4]), std::atof(argv[5])};
        return cli::runFilter(o);
    }
    if (command == "timeopt" && argc == 5) {
        o.sims = std::atoi(argv[4]);
        return cli::runTimeOpt(o);
    }
    if (command == "etimeopt" && argc == 7) {
        o.windowLength = std::atof(argv[4]);
        o.stepLength = std::atof(argv[5]);
        o.track = argv[6];
        return cli::runETimeOpt(o);
    }
    if (command == "sedrate" && argc == 5) {
        o.sedrateTrack = argv[4];
        return cli::runTuneSedrate(o);
    }
    return usage();
}
