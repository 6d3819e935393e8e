// tonalith-cli analyze and peaks: load one column, check it and the parameters, run the
// engine, write the rows (and grids and a map) or the spectral lines.
#include "Commands.h"

#include "OutputFile.h"
#include "ResultFiles.h"
#include "ResultMap.h"
#include "RunParameters.h"
#include "SeriesFile.h"
#include "capacities.h"
#include "diagnostics.h"
#include "mwc2.h"
#include "plot_api.h"

#include <QApplication>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {

const char* optionOf(analysis::Parameter p) {
    switch (p) {
    case analysis::Parameter::Tbw:
        return "--tbw";
    case analysis::Parameter::Tapers:
        return "--tapers";
    case analysis::Parameter::Window:
        return "--window";
    case analysis::Parameter::Step:
        return "--step";
    case analysis::Parameter::Nfft:
        return "--nfft";
    case analysis::Parameter::Fmax:
        return "--fmax";
    default:
        return nullptr;
    }
}

// The field number for --column: a number, or a name looked up in the line of titles.
std::optional<int> resolveColumn(const AnalyzeOptions& o, std::string_view titles,
                                 std::string& error, std::string& name) {
    const auto fields = series::splitFields(titles);
    if (const auto n = parseInteger(o.column)) {
        if (*n < 1) {
            error =
                "--column " + o.column + ": field 0 holds the positions; value columns start at 1";
            return std::nullopt;
        }
        if (static_cast<std::size_t>(*n) < fields.size() && !series::parseNumber(fields[*n]))
            name = std::string(fields[*n]);
        return *n;
    }
    std::string names;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields[i] == o.column) {
            name = o.column;
            return static_cast<int>(i);
        }
        names += (names.empty() ? "" : ", ") + std::string(fields[i]);
    }
    error = "--column: '" + o.column + "' is not a column name in the first line of " + o.file +
            (names.empty() ? " (it has no value columns)" : " (its columns are: " + names + ")");
    return std::nullopt;
}

// Draws the progress bar on a terminal; when rows go to a file, writes the rows of the
// windows that are final, so that formatting overlaps the analysis.
class RunSink {
public:
    RunSink(const results::ResultSet& r, results::OutputFile* rows, bool bar)
        : r_(r), rows_(rows), bar_(bar) {}

    static void report(void* ctx, double percent) {
        auto* sink = static_cast<RunSink*>(ctx);
        const long w = std::lround(percent * sink->r_.windows / 100.0);
        sink->writeRows(static_cast<std::size_t>(std::max(w - 1, 0L)) * sink->r_.bins);
        sink->draw(static_cast<int>(percent));
    }

    void begin() {
        if (rows_)
            chunk_ = results::headerBlock(r_.provenance, "result rows") + results::rowHeader + "\n";
    }

    bool writeRows(std::size_t upTo) {
        if (!rows_)
            return true;
        for (; written_ < upTo && !failed_; ++written_) {
            for (const std::vector<double>* column : {&r_.xcent, &r_.freq, &r_.ampl, &r_.prob}) {
                results::appendNumber(chunk_, (*column)[written_]);
                chunk_.push_back(column == &r_.prob ? '\n' : '\t');
            }
            if (chunk_.size() > (1 << 20))
                flush();
        }
        return !failed_;
    }

    bool flush() {
        if (rows_ && !failed_ && !rows_->write(chunk_))
            failed_ = true;
        chunk_.clear();
        return !failed_;
    }

    void finishBar() const {
        if (bar_ && shown_ >= 0)
            std::fputc('\n', stderr);
    }

private:
    void draw(int p) {
        if (!bar_ || p == shown_)
            return;
        shown_ = p;
        const int filled = p / 4;
        std::fprintf(stderr, "\r[%.*s%*s] %3d %%", filled, "=========================", 25 - filled,
                     "", p);
        std::fflush(stderr);
    }

    const results::ResultSet& r_;
    results::OutputFile* rows_;
    bool bar_;
    int shown_ = -1;
    std::size_t written_ = 0;
    bool failed_ = false;
    std::string chunk_;
};

// Loads and checks the series; fills the provenance. Returns the exit status to give up
// with, or 0 to go on.
int loadChecked(const AnalyzeOptions& o, series::Series& s, results::Provenance& p) {
    std::string why;
    const auto text = series::readText(o.file, &why);
    if (!text) {
        complain("cannot read " + o.file + ": " + why);
        return EXIT_BAD_INPUT;
    }
    std::string error;
    const auto column =
        resolveColumn(o, series::titleLine(series::splitLines(*text)), error, p.columnName);
    if (!column) {
        complain(error);
        return EXIT_BAD_INPUT;
    }
    const auto loaded = series::loadSeries(o.file, o.skip, *column, &why);
    if (!loaded) {
        complain("cannot load " + o.file + ": " + why);
        return EXIT_BAD_INPUT;
    }
    s = *loaded;
    if (s.xpos.empty()) {
        complain(o.file + ": no data: " + series::explainEmptySeries(*text, o.skip, *column));
        return EXIT_BAD_INPUT;
    }
    if (const auto problem = analysis::checkSeries(s)) {
        complain(o.file + ": " + problem->text);
        return EXIT_BAD_INPUT;
    }
    const analysis::SpacingReport spacing = analysis::checkSpacing(s);
    if (!spacing.even && o.interpolate) {
        const double step = o.interpolateStep > 0 ? o.interpolateStep : series::medianSpacing(s);
        const std::size_t before = s.xpos.size();
        const auto resampled = series::resampleEvenly(s, step, engine::NMAX);
        if (!resampled) {
            complain("--interpolate: resampling at spacing " + engine::formatDouble(step) +
                     " would give " + engine::formatDouble(series::resampledCount(s, step)) +
                     " samples; at most " + std::to_string(engine::NMAX) + " can be analysed");
            return EXIT_BAD_INPUT;
        }
        s = *resampled;
        p.interpolation = "linear, to even spacing " + engine::formatDouble(step) + " (" +
                          (o.interpolateStep > 0 ? "as asked" : "the median spacing") + "), from " +
                          std::to_string(before) + " unevenly spaced samples";
        if (!o.quiet)
            complain("the positions are not evenly spaced (the largest deviation is " +
                     engine::formatDouble(spacing.largestDeviation) + "); resampled at spacing " +
                     engine::formatDouble(step) + " to " + std::to_string(s.xpos.size()) +
                     " samples");
        if (const auto problem = analysis::checkSeries(s)) {
            complain(o.file + ": after interpolation: " + problem->text);
            return EXIT_BAD_INPUT;
        }
    } else if (!spacing.even) {
        complain("warning: " + o.file + ": " + spacing.text);
    }
    p.input = o.file;
    p.column = *column;
    p.skip = o.skip;
    p.samples = static_cast<int>(s.xpos.size());
    p.deltat = analysis::sampleSpacing(s);
    p.meanRemoved = !o.keepMean;
    p.params = o.params;
    if (const auto problem = analysis::checkParameters(o.params, p.samples, p.deltat)) {
        const char* option = optionOf(problem->parameter);
        complain(option ? std::string(option) + ": " + problem->text
                        : o.file + ": " + problem->text);
        return EXIT_BAD_INPUT;
    }
    return 0;
}

int runEngine(const AnalyzeOptions& o, const series::Series& s, results::ResultSet& r,
              RunSink& sink) {
    const analysis::RunParameters& q = o.params;
    r.windows = analysis::windowCount(q, r.provenance.samples);
    r.bins = analysis::binCount(q);
    const std::size_t cells =
        static_cast<std::size_t>(r.windows) * static_cast<std::size_t>(r.bins);
    r.xcent.assign(cells, 0.0);
    r.freq.assign(cells, 0.0);
    r.ampl.assign(cells, 0.0);
    r.prob.assign(cells, 0.0);

    std::FILE* silent = o.quiet ? std::fopen("/dev/null", "w") : nullptr;
    engine::setDiagnosticStream(o.quiet ? silent : stderr);
    if (!o.quiet)
        std::fprintf(stderr,
                     "tonalith-cli: %s: %d samples, spacing %s, %d windows x %d frequency rows\n",
                     o.file.c_str(), r.provenance.samples,
                     engine::formatDouble(r.provenance.deltat).c_str(), r.windows, r.bins);
    sink.begin();
    const int status = engine::mwc2(
        r.xcent.data(), r.freq.data(), r.ampl.data(), r.prob.data(), s.xpos.data(), q.tbw, q.fmax,
        r.provenance.deltat, s.yval.data(), o.keepMean ? 0 : 1, r.provenance.samples, q.kspec,
        q.mpts, q.inc, q.nfft, o.iprob, &sink, &RunSink::report);
    sink.finishBar();
    engine::setDiagnosticStream(nullptr);
    if (silent)
        std::fclose(silent);
    if (status != 0) {
        complain(status == static_cast<int>(engine::Mwc2Status::TaperFailure)
                     ? "the analysis failed: the Slepian tapers could not be computed for these "
                       "parameters"
                     : "the analysis failed (engine status " + std::to_string(status) + ")");
        return EXIT_ANALYSIS_FAILED;
    }
    return 0;
}

bool writeFile(const std::string& path, const std::function<bool(results::OutputFile&)>& body) {
    results::OutputFile out;
    std::string why;
    if (!out.open(path, &why) || !body(out) || !out.commit(&why)) {
        complain(why.empty() ? "cannot write " + path : why);
        return false;
    }
    return true;
}

// The map as the application shows it, drawn without a display.
bool drawMap(const AnalyzeOptions& o, const results::ResultSet& r) {
    const auto grids = resultmap::reshape(r.xcent, r.freq, r.ampl, r.prob);
    if (!grids || grids->nx < 2 || grids->nfreq < 2) {
        complain("--map: the map needs at least 2 windows and 2 frequencies; these settings give " +
                 std::to_string(r.windows) + " and " + std::to_string(r.bins));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (o.quiet)
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    int argc = 1;
    char name[] = "tonalith-cli";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    Plot* plot = plotCreate(nullptr);
    reinterpret_cast<QWidget*>(plot)->resize(1200, 800);
    resultmap::show(plot, *grids, true);
    char message[512] = "";
    const bool written =
        plotWriteFigure(plot, o.map.c_str(), o.mapWidth, o.mapHeight, message, sizeof message);
    plotDestroy(plot);
    if (!written)
        complain("cannot write the map " + o.map + ": " + message + " (nothing was written)");
    return written;
}

} // namespace

int runAnalyze(const AnalyzeOptions& o) {
    series::Series s;
    results::ResultSet r;
    if (const int status = loadChecked(o, s, r.provenance))
        return status;
    results::OutputFile rows;
    std::string why;
    if (!rows.open(o.output, &why)) {
        complain(why);
        return EXIT_BAD_INPUT;
    }
    RunSink sink(r, &rows, !o.quiet && ::isatty(STDERR_FILENO) != 0);
    if (const int status = runEngine(o, s, r, sink))
        return status;
    sink.writeRows(r.xcent.size());
    sink.flush();
    if (!rows.commit(&why)) {
        complain(why);
        return EXIT_ANALYSIS_FAILED;
    }
    if (!o.grid.empty()) {
        for (const auto& [suffix, which] :
             {std::pair{"-amplitude.tsv", results::GridOf::Amplitude},
              std::pair{"-probability.tsv", results::GridOf::Probability}})
            if (!writeFile(o.grid + suffix, [&](results::OutputFile& out) {
                    return results::writeGrid(out, r, which, results::Separator::Tab);
                }))
                return EXIT_ANALYSIS_FAILED;
    }
    if (!o.map.empty() && !drawMap(o, r))
        return EXIT_ANALYSIS_FAILED;
    return 0;
}

int runPeaks(const AnalyzeOptions& o) {
    series::Series s;
    results::ResultSet r;
    if (const int status = loadChecked(o, s, r.provenance))
        return status;
    RunSink sink(r, nullptr, !o.quiet && ::isatty(STDERR_FILENO) != 0);
    if (const int status = runEngine(o, s, r, sink))
        return status;
    return writeFile(o.output,
                     [&](results::OutputFile& out) {
                         return results::writePeaks(out, r, o.level, results::Separator::Tab);
                     })
               ? 0
               : EXIT_ANALYSIS_FAILED;
}

} // namespace cli
