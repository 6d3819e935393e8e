// read_record() and the series every analysis takes, prepared as the tool prepares a record.
#include "rpackage/Interface.h"

#include "core/series/Preparation.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace rpackage {

namespace {

// interpolate = NULL: no resampling; TRUE: at the median spacing; a number: at that spacing.
void setInterpolation(analysis::RunRequest& request, const Arguments& a) {
    const SEXP v = a.value("interpolate");
    if (Rf_isNull(v))
        return;
    if (Rf_isLogical(v)) {
        request.interpolate = a.flag("interpolate");
        return;
    }
    const double step = a.real("interpolate");
    if (!(step > 0) || !std::isfinite(step))
        refuse("interpolate", "the step " + text::exactNumber(step) + " must be a number above 0");
    request.interpolate = true;
    request.interpolateStep = step;
}

// The argument a refusal of the series is about: the positions, when given apart from x.
std::string seriesArgument(const analysis::Problem& problem, const std::string& positions) {
    if (problem.parameter)
        return analysis::parameter(*problem.parameter).keyword;
    if (problem.stage == analysis::Stage::Spacing ||
        problem.field == analysis::SeriesField::Positions)
        return positions;
    return "x";
}

} // namespace

analysis::PreparedRun prepareSeries(const Rcpp::List& series, analysis::RunRequest& request,
                                    const Arguments& a) {
    const std::vector<double> x = Rcpp::as<std::vector<double>>(series["positions"]);
    const std::vector<double> y = Rcpp::as<std::vector<double>>(series["values"]);
    const std::string positions = Rcpp::as<std::string>(series["positions_argument"]);
    if (x.size() != y.size())
        refuse(positions == "x" ? "x" : "x, positions",
               "the lengths differ (" + std::to_string(x.size()) + " positions, " +
                   std::to_string(y.size()) + " values)");
    setInterpolation(request, a);
    std::string why;
    const auto trend = series::parseDetrend(a.text("detrend"), &why);
    if (!trend)
        refuse("detrend", why);
    request.preparation.log = a.flag("log");
    request.preparation.detrend = *trend;
    request.preparation.standardise = a.flag("standardise");
    request.file = Rcpp::as<std::string>(series["input"]);

    series::Series s;
    s.xpos = x;
    s.yval = y;
    s.lines.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) // messages name a sample by its row, "line N"
        s.lines[i] = static_cast<int>(std::min<std::size_t>(i + 1, INT_MAX));
    analysis::PreparedRun run = analysis::prepareSeries(std::move(s), request);
    if (const auto& problem = run.problem) {
        if (problem->spacing)
            refuse(positions, analysis::unevenSpacingText(*problem->spacing, "interpolate = "));
        refuse(seriesArgument(*problem, positions), problem->text);
    }
    // Where the series came from, for the '#' block: as the tool names a file's column.
    analysis::Provenance& p = run.provenance;
    p.input = request.file;
    p.column = Rcpp::as<int>(series["column"]);
    p.columnName = Rcpp::as<std::string>(series["column_name"]);
    p.positionName = Rcpp::as<std::string>(series["position_name"]);
    p.skip = Rcpp::as<int>(series["skip"]);
    p.droppedLines = Rcpp::as<std::string>(series["dropped_lines"]);
    return run;
}

} // namespace rpackage

// [[Rcpp::export(name = ".read_record")]]
SEXP readRecord(std::string path, std::string column, SEXP skipArgument) {
    return rpackage::guarded([&]() -> SEXP {
        const rpackage::Arguments a(Rcpp::List::create(Rcpp::Named("skip") = skipArgument));
        analysis::RunRequest request;
        request.file = path;
        request.column = column;
        request.skip = a.whole("skip");
        // Settings that no loadable series fails (one window of 2 samples): reading checks the
        // series, not the settings of an analysis.
        request.params.tbw = 0.5;
        request.params.tapers = 1;
        request.params.window = 2;
        request.params.step = INT_MAX;
        request.params.nfft = 2;
        request.params.fmax = 0.5;
        const analysis::PreparedRun run = analysis::prepareRun(request);
        if (const auto& problem = run.problem) {
            using analysis::Stage;
            if (problem->parameter)
                rpackage::refuse(analysis::parameter(*problem->parameter).keyword, problem->text);
            switch (problem->stage) {
            case Stage::File:
                rpackage::refuse("path", "cannot read " + path + ": " + problem->text);
            case Stage::Column:
                rpackage::refuse("column", problem->text);
            case Stage::Data:
                rpackage::refuse("path", path + ": no data: " + problem->text);
            default:
                rpackage::refuse("path", path + ": " + problem->text);
            }
        }
        const analysis::Provenance& p = run.provenance;
        std::string title = p.columnName;
        if (title.empty() && p.column >= 1 &&
            static_cast<std::size_t>(p.column) <= run.columnTitles.size())
            title = run.columnTitles[static_cast<std::size_t>(p.column) - 1];
        // Lines without a number where the position or the column needs one, which the reader
        // dropped (not blank lines, '#' comments or the titles).
        std::vector<int> droppedLine;
        std::vector<std::string> droppedText;
        for (const series::DroppedLine& d : run.series.dropped) {
            droppedLine.push_back(d.line);
            droppedText.push_back(d.text);
        }
        return Rcpp::List::create(
            Rcpp::Named("positions") = run.series.xpos, Rcpp::Named("values") = run.series.yval,
            Rcpp::Named("input") = p.input, Rcpp::Named("column") = p.column,
            Rcpp::Named("column_name") = p.columnName, Rcpp::Named("title") = title,
            Rcpp::Named("position_name") = p.positionName, Rcpp::Named("skip") = p.skip,
            Rcpp::Named("dropped_lines") = p.droppedLines,
            Rcpp::Named("dropped") = Rcpp::DataFrame::create(
                Rcpp::Named("line") = droppedLine, Rcpp::Named("text") = droppedText,
                Rcpp::Named("stringsAsFactors") = false));
    });
}
