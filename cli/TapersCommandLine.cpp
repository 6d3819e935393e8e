// tapers: the length, count and time-bandwidth product of the tapers, all required.
#include "cli/CommandLines.h"

namespace cli {

namespace {

using analysis::ParameterId;

void bind(OptionGroups& g, ParsedCommandLine& p) {
    TapersOptions& t = p.tapers;
    const char* group = "Tapers";
    g.number(ParameterId::TaperLength, t.length, group)->required();
    g.number(ParameterId::TaperCount, t.tapers, group)->required();
    g.number(ParameterId::TaperTbw, t.tbw, group)->required();
    g.addOutput(t.output, nullptr);
    g.addHelp();
}

std::optional<std::string> incomplete(const OptionGroups& g, ParsedCommandLine&) {
    for (const CLI::Option* o : g.cmd.get_options())
        if (o->get_required() && o->count() == 0)
            return std::string("tapers needs --length, --tapers and --tbw");
    return std::nullopt;
}

} // namespace

const CommandLine tapersLine{"tapers", analysis::Command::Tapers, Command::Tapers, bind,
                             incomplete};

} // namespace cli
