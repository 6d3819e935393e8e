// The catalogue of parameters as the package sees it, so that its tests can hold the
// functions' keywords and defaults against the one list the tool and the window use.
#include "core/analysis/ParameterCatalogue.h"
#include "python/extension/Bindings.h"

#include "core/series/SeriesFile.h"

#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace pymodule {

namespace {

// The tool's commands that take an entry; the astronomical ones only when asked (the older
// "commands" list leaves them out).
py::list commandNames(analysis::Commands commands, bool astronomical = false) {
    using analysis::Command;
    py::list names;
    for (const auto& [command, name] :
         {std::pair{Command::Analyze, "analyze"}, std::pair{Command::Peaks, "peaks"},
          std::pair{Command::Spectrum, "spectrum"}, std::pair{Command::Trace, "trace"},
          std::pair{Command::Tune, "tune"}, std::pair{Command::Tapers, "tapers"},
          std::pair{Command::Filter, "filter"}, std::pair{Command::TimeOpt, "timeopt"},
          std::pair{Command::ETimeOpt, "etimeopt"}})
        if (analysis::takes(commands, command) &&
            (astronomical || (command != Command::Filter && command != Command::TimeOpt &&
                              command != Command::ETimeOpt)))
            names.append(name);
    return names;
}

} // namespace

pybind11::arg_v keyword(const char* name, analysis::Command command) {
    const analysis::ParameterEntry* e = analysis::parameterByKeyword(name, command);
    if (!e)
        throw std::logic_error(std::string("no catalogue entry for the keyword ") + name);
    switch (e->kind) {
    case analysis::ValueKind::Real:
        return py::arg(name) = e->defaultValue;
    case analysis::ValueKind::Integer:
        return py::arg(name) = static_cast<long long>(e->defaultValue);
    case analysis::ValueKind::Switch:
        return py::arg(name) = false;
    case analysis::ValueKind::Text:
        break;
    }
    if (const auto whole = series::parseNumber(e->defaultText))
        return py::arg(name) = static_cast<long long>(*whole);
    if (std::string_view(e->defaultText).find(':') != std::string_view::npos) {
        const auto [low, high] = analysis::defaultLimits(e->id);
        return py::arg(name) = py::make_tuple(low, high);
    }
    return py::arg(name) = std::string(e->defaultText);
}

void bindCatalogue(py::module_& m) {
    m.def(
        "parameter_catalogue",
        [] {
            py::list entries;
            for (const analysis::ParameterEntry& e : analysis::parameterCatalogue()) {
                py::dict d;
                d["keyword"] = e.keyword;
                d["flag"] = e.flag;
                d["default"] = e.defaultValue;
                d["default_text"] = e.defaultText;
                d["numeric"] =
                    e.kind == analysis::ValueKind::Real || e.kind == analysis::ValueKind::Integer;
                d["commands"] = commandNames(e.commands);
                d["all_commands"] = commandNames(e.commands, true);
                d["whole"] = e.kind == analysis::ValueKind::Integer;
                d["lowest"] = e.rule.lowest;
                d["lowest_included"] = e.rule.lowestIncluded;
                d["highest"] = e.rule.highest;
                d["highest_included"] = e.rule.highestIncluded;
                d["label"] = e.label;
                d["help"] = e.help;
                entries.append(d);
            }
            return entries;
        },
        "The catalogue of parameters: keyword, tool flag, default, commands, label and help "
        "line of each.");
}

} // namespace pymodule
