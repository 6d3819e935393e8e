// analyze(), peaks() and trace_line(): the evolutive analysis, its lines and a traced line.
#include "rpackage/Interface.h"

#include "core/results/ResultFiles.h"
#include "core/text/NumberText.h"
#include "core/tuning/LineTrace.h"
#include "core/tuning/TraceFile.h"

#include <cmath>
#include <memory>

using rpackage::Arguments;
using rpackage::refuse;

namespace {

// The rows of an analysis, kept with its R object for peaks() and trace_line().
using Rows = Rcpp::XPtr<results::ResultSet>;

const results::ResultSet& rowsOf(SEXP analysis) {
    const Rows rows(analysis);
    if (!rows.get())
        refuse("a", "this analysis was restored from a saved session, which keeps no rows; "
                    "run analyze() again");
    return *rows;
}

Rcpp::NumericMatrix byWindow(const results::ResultSet& r, const std::vector<double>& cells) {
    Rcpp::NumericMatrix m(r.windows, r.bins);
    for (int w = 0; w < r.windows; ++w)
        for (int i = 0; i < r.bins; ++i)
            m(w, i) = cells[r.row(w, i)];
    return m;
}

} // namespace

// [[Rcpp::export(name = ".analyze")]]
SEXP analyzeSeries(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        analysis::RunRequest request;
        analysis::RunParameters& q = request.params;
        q.tbw = a.real("tbw");
        q.tapers = a.whole("tapers");
        q.window = a.whole("window");
        q.step = a.whole("step");
        q.nfft = a.whole("nfft");
        q.fmax = a.real("fmax");
        const std::string how = a.text("window_detrend");
        const auto windowDetrend = analysis::parseWindowDetrend(how);
        if (!windowDetrend)
            refuse("window_detrend", "'" + how + "' is not none, mean or linear");
        q.windowDetrend = *windowDetrend;
        request.keepMean = a.flag("keep_mean");
        request.refuseUneven = true;
        const service::Execution execution =
            rpackage::quietExecution(a.whole("workers"), rpackage::recordsFolder(a));
        const analysis::PreparedRun run = rpackage::prepareSeries(series, request, a);

        auto r = std::make_unique<results::ResultSet>();
        r->provenance = run.provenance;
        service::RunOutcome outcome;
        rpackage::runInterruptibly([&](service::RunControl& control) {
            outcome = service::analyseMap(run.series, *r, control, execution);
        });
        if (!outcome.finished())
            throw std::runtime_error(outcome.problem);
        Rcpp::NumericVector centres(r->windows), frequencies(r->bins);
        for (int w = 0; w < r->windows; ++w)
            centres[w] = r->centre(w);
        for (int i = 0; i < r->bins; ++i)
            frequencies[i] = r->frequency(i);
        const analysis::Provenance& p = r->provenance;
        const analysis::RunParameters& ran = p.params; // as the engine ran them
        const Rcpp::List parameters = Rcpp::List::create(
            Rcpp::Named("tbw") = ran.tbw, Rcpp::Named("tapers") = ran.tapers,
            Rcpp::Named("window") = ran.window, Rcpp::Named("step") = ran.step,
            Rcpp::Named("nfft") = ran.nfft, Rcpp::Named("fmax") = ran.fmax,
            Rcpp::Named("window_detrend") = analysis::windowDetrendName(ran.windowDetrend),
            Rcpp::Named("samples") = p.samples, Rcpp::Named("spacing") = p.deltat,
            Rcpp::Named("interpolation") = p.interpolation.empty() ? "none" : p.interpolation,
            Rcpp::Named("preparation") = p.preparation.empty() ? "none" : p.preparation,
            Rcpp::Named("mean_removed") = p.meanRemoved);
        const results::ResultSet& rows = *r;
        const Rows kept(r.release(), true); // R owns the rows from here on
        return Rcpp::List::create(
            Rcpp::Named("centres") = centres, Rcpp::Named("frequencies") = frequencies,
            Rcpp::Named("amplitude") = byWindow(rows, rows.ampl),
            Rcpp::Named("probability") = byWindow(rows, rows.prob),
            Rcpp::Named("positions") = rows.positions, Rcpp::Named("values") = rows.values,
            Rcpp::Named("header") =
                rpackage::tables(results::headerBlock(p, "result rows").text())["header"],
            Rcpp::Named("parameters") = parameters, Rcpp::Named("rows") = kept);
    });
}

// [[Rcpp::export(name = ".peaks")]]
SEXP peaksOf(SEXP analysis, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const results::ResultSet& r = rowsOf(analysis);
        const Arguments a(args);
        results::LineRule rule;
        if (a.given("fdr")) {
            rule.fdr = a.real("fdr");
            if (!(rule.fdr > 0 && rule.fdr < 1))
                refuse("fdr", "the false discovery rate " + text::exactNumber(rule.fdr) +
                                  " must lie above 0 and below 1");
            rule.level = 0; // the false-discovery control alone decides, unless a level is given
        }
        if (a.given("level")) {
            rule.level = a.real("level");
            if (!(rule.level > 0 && rule.level <= 1))
                refuse("level", "the probability " + text::exactNumber(rule.level) +
                                    " must lie above 0 and at most 1");
        }
        std::string text =
            results::peaksHeader(r, rule).text() + results::peakTitles(results::Separator::Tab);
        for (int w = 0; w < r.windows; ++w)
            results::appendPeaks(text, results::findPeaks(r, w, rule), results::Separator::Tab);
        return rpackage::tables(text);
    });
}

// [[Rcpp::export(name = ".trace_line")]]
SEXP traceLineOf(SEXP analysis, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const results::ResultSet& r = rowsOf(analysis);
        const Arguments a(args);
        const std::vector<double> start = a.reals("start");
        if (start.size() != 2 || !std::isfinite(start[0]) || !std::isfinite(start[1]))
            refuse("start", "give the position and the frequency where the line starts, "
                            "c(x, f), two finite numbers");
        const double x = start[0], f = start[1];
        const double first = r.positions.front(), last = r.positions.back();
        if (!(x >= first && x <= last))
            refuse("start", "the position " + text::exactNumber(x) + " lies outside the record (" +
                                text::exactNumber(first) + " to " + text::exactNumber(last) + ")");
        const double highest = r.provenance.params.fmax / r.provenance.deltat;
        if (!(f > 0))
            refuse("start", "the frequency " + text::exactNumber(f) + " must be above 0");
        if (f > highest)
            refuse("start", "the frequency " + text::exactNumber(f) +
                                " lies above the highest frequency of the map (" +
                                text::exactNumber(highest) + " cycles per position unit)");
        const std::string byName = a.text("by");
        const auto by = tuning::parseTraceBy(byName);
        if (!by)
            refuse("by", "'" + byName + "' is not amplitude or probability");
        const double level = a.real("level");
        if (!(level > 0 && level <= 1))
            refuse("level", "the probability " + text::exactNumber(level) +
                                " must lie above 0 and at most 1");
        const double band = a.given("band") ? a.real("band") : tuning::halfBandwidth(r) / 2;
        if (!(band > 0) || !std::isfinite(band))
            refuse("band", text::exactNumber(band) + " must be a number above 0");
        // Given, the positions are ages in the period's unit and rows off 1 / period drift.
        const double period =
            a.given("period") ? rpackage::checkedReal(a, "period", analysis::ParameterId::Period)
                              : 0.0;
        const double interval =
            rpackage::checkedReal(a, "interval", analysis::ParameterId::IntervalProbability);
        const int window = tuning::nearestWindow(r, x);
        const int bin = tuning::startBin(r, window, f, band, *by);
        std::vector<tuning::TracePoint> trace = tuning::traceLine(r, window, bin, band, *by, level);
        if (period > 0)
            tuning::flagDrift(trace, period, tuning::halfBandwidth(r));
        service::Execution quiet;
        quiet.quiet = true;
        service::addTraceIntervals(trace, r, interval, quiet);
        const tuning::TraceStart from{x, f, band, *by, r.frequency(bin), level, period, interval};
        return rpackage::tables(tuning::traceText(r.provenance, from, trace));
    });
}
