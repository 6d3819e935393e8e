// load(): one column of a data file, read and checked as the tool reads it.
#include "core/analysis/RunPreparation.h"
#include "python/extension/Bindings.h"
#include "python/extension/Refusals.h"

#include <pybind11/numpy.h>

#include <climits>
#include <string>

namespace py = pybind11;

namespace pymodule {

namespace {

std::string columnText(const py::object& column) {
    if (!PyBool_Check(column.ptr()) && PyIndex_Check(column.ptr()))
        return py::str(py::int_(column)).cast<std::string>();
    if (py::isinstance<py::str>(column))
        return column.cast<std::string>();
    throw py::type_error("column: a field number (int) or a column title (str) is needed");
}

py::object load(const py::object& path, const py::object& column, int skip) {
    const std::string file = py::module_::import("os").attr("fspath")(path).cast<std::string>();
    const std::string col = columnText(column);
    analysis::RunRequest request;
    request.file = file;
    request.column = col;
    request.skip = skip;
    // Settings that no loadable series fails (one window of 2 samples): loading checks the
    // series, not the settings of an analysis.
    request.params.tbw = 0.5;
    request.params.tapers = 1;
    request.params.window = 2;
    request.params.step = INT_MAX;
    request.params.nfft = 2;
    request.params.fmax = 0.5;
    analysis::PreparedRun run;
    {
        py::gil_scoped_release release;
        run = analysis::prepareRun(request);
    }
    if (const auto& problem = run.problem)
        throw py::value_error(loadRefusal(*problem, file, col));

    if (!run.series.dropped.empty()) {
        py::list lines;
        for (const series::DroppedLine& d : run.series.dropped)
            lines.append(py::make_tuple(d.line, d.text));
        const py::object warning =
            py::module_::import("tonalith")
                .attr("DroppedLinesWarning")(
                    file + ": dropped lines: " + run.provenance.droppedLines +
                        ": no number where the position or the chosen column needs one",
                    lines);
        // No Python frame is this function's: the warning names the caller's line.
        py::module_::import("warnings").attr("warn")(warning);
    }

    std::string title = run.provenance.columnName;
    const int c = run.provenance.column;
    if (title.empty() && c >= 1 && static_cast<std::size_t>(c) <= run.columnTitles.size())
        title = run.columnTitles[static_cast<std::size_t>(c) - 1];
    const auto n = static_cast<py::ssize_t>(run.series.xpos.size());
    return py::module_::import("tonalith")
        .attr("Series")(py::array_t<double>(n, run.series.xpos.data()),
                        py::array_t<double>(n, run.series.yval.data()), title);
}

const char* loadDoc = R"(One column of a plain-text data file, read as the Tonalith window and
tonalith-cli read it.

The file holds one sample per line in tab-separated fields, the first field the position (depth
or time). The series is checked as for an analysis (at least 2 samples, finite numbers,
increasing positions), not against any analysis setting.

Parameters
----------
path : str or os.PathLike
    The data file.
column : int or str
    The field number (the positions are field 0), or a title from the first line.
skip : int
    Header lines before the data.

Returns
-------
Series
    The named tuple (positions, values, title): 1-D float64 arrays and the column's title from
    the header ("Column N" when the file has none).

Warns
-----
DroppedLinesWarning
    When lines were dropped that are not blank, a '#' comment or the column titles, yet hold no
    number in the position or the chosen column; its `lines` name them.

Raises
------
ValueError
    With the tool's message: "cannot read PATH: ...", "column C: ...", "PATH: no data: ...",
    "PATH: ...".
TypeError
    When `column` is neither an int nor a str.)";

} // namespace

void bindLoad(py::module_& m) {
    m.def("load", &load, py::arg("path"), keyword("column", analysis::Command::Analyze),
          keyword("skip", analysis::Command::Analyze), loadDoc);
}

} // namespace pymodule
