// The catalogue of parameters as the package sees it, so that its tests can hold the
// functions' keywords and defaults against the one list the tool and the window use.
#include "core/analysis/ParameterCatalogue.h"
#include "python/extension/Bindings.h"

namespace py = pybind11;

namespace pymodule {

namespace {

py::list commandNames(analysis::Commands commands) {
    using analysis::Command;
    py::list names;
    for (const auto& [command, name] :
         {std::pair{Command::Analyze, "analyze"}, std::pair{Command::Peaks, "peaks"},
          std::pair{Command::Spectrum, "spectrum"}, std::pair{Command::Trace, "trace"},
          std::pair{Command::Tune, "tune"}, std::pair{Command::Tapers, "tapers"}})
        if (analysis::takes(commands, command))
            names.append(name);
    return names;
}

} // namespace

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
