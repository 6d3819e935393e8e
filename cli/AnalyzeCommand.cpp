// tonalith-cli analyze and peaks: load one column, check it and the parameters, run the
// engine, write the rows (and grids and a map) or the spectral lines.
#include "cli/Commands.h"
#include "cli/Figures.h"

#include "core/analysis/RunPreparation.h"
#include "core/io/AtomicFile.h"
#include "core/io/Folders.h"
#include "core/results/ResultFiles.h"
#include "core/service/AnalysisService.h"
#include "core/text/NumberText.h"

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace cli {

namespace {

// Draws the progress bar on a terminal; when rows go to a file, writes the rows of the
// windows that are final, so that formatting overlaps the analysis.
class RunSink : public service::RunControl {
public:
    RunSink(const results::ResultSet& r, io::AtomicFile* rows, bool bar)
        : r_(r), rows_(rows), bar_(bar) {}

    void progress(double percent) override { draw(static_cast<int>(percent)); }
    void rowsReady(std::size_t rows) override { writeRows(rows); }

    void begin() {
        if (rows_)
            chunk_ = results::headerBlock(r_.provenance, "result rows").text() +
                     results::rowTitles(results::Separator::Tab);
    }

    bool writeRows(std::size_t upTo) {
        if (!rows_)
            return true;
        for (; written_ < upTo && !failed_; ++written_) {
            results::appendRow(chunk_, r_, written_, results::Separator::Tab);
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
    io::AtomicFile* rows_;
    bool bar_;
    int shown_ = -1;
    std::size_t written_ = 0;
    bool failed_ = false;
    std::string chunk_;
};

} // namespace

int loadChecked(const AnalyzeOptions& o, series::Series& s, analysis::Provenance& p, LoadFor use) {
    analysis::RunRequest request;
    request.file = o.file;
    request.column = o.column;
    request.skip = o.skip;
    request.interpolate = o.interpolate;
    request.interpolateStep = o.interpolateStep;
    request.refuseUneven = use != LoadFor::SeriesOnly;
    request.params = o.params;
    request.keepMean = o.keepMean;
    request.preparation = o.preparation;
    request.forMap = !o.map.empty();
    request.wholeRecord = use == LoadFor::WholeRecord;
    request.seriesOnly = use == LoadFor::SeriesOnly || use == LoadFor::EvenSeries;
    request.windowLength = o.windowLength;
    request.stepLength = o.stepLength;
    request.fmaxPerUnit = o.fmaxPerUnit;
    if (!o.records.empty()) {
        if (const auto problem = io::folderProblem(o.records)) {
            complain("--records " + o.records + ": " + *problem);
            return EXIT_BAD_INPUT;
        }
        service::setRecordsFolder(o.records);
    }
    analysis::PreparedRun run = analysis::prepareRun(request);
    // Named before any refusal of the series read: one that looks unevenly spaced may owe it to
    // them. (A series with no sample at all is explained by its refusal.)
    if (!run.provenance.droppedLines.empty() && !run.series.xpos.empty())
        complain("warning: " + o.file + ": dropped lines: " + run.provenance.droppedLines +
                 ": no number where the position or the chosen column needs one");
    if (const auto& problem = run.problem) {
        using analysis::Stage;
        switch (problem->stage) {
        case Stage::File:
            complain("cannot read " + o.file + ": " + problem->text);
            break;
        case Stage::Column:
            complain("--column " + o.column + ": " + problem->text);
            break;
        case Stage::Data:
            complain(o.file + ": no data: " + problem->text);
            break;
        case Stage::Resampling:
            complain((problem->spacing ? o.file : std::string("--interpolate")) + ": " +
                     problem->text);
            break;
        case Stage::Parameters:
            complain(analysis::parameter(*problem->parameter).flag + std::string(": ") +
                     problem->text);
            break;
        default: // the series, its spacing, its preparation
            complain(o.file + ": " + problem->text);
        }
        return EXIT_BAD_INPUT;
    }
    if (run.resampling.done && !o.quiet)
        complain("the positions are not evenly spaced (the largest deviation is " +
                 text::displayNumber(run.spacing.largestDeviation) + "); resampled at spacing " +
                 text::displayNumber(run.resampling.step) + " to " +
                 std::to_string(run.resampling.after) + " samples");
    else if (!run.spacing.even && !run.resampling.done)
        complain("warning: " + o.file + ": " + run.spacing.text +
                 "; it is analysed at the spacing of its first two positions: --interpolate "
                 "resamples it at the median spacing, --interpolate STEP at STEP");
    s = std::move(run.series);
    p = std::move(run.provenance);
    return 0;
}

namespace {

int runEngine(const AnalyzeOptions& o, const series::Series& s, results::ResultSet& r,
              RunSink& sink) {
    const analysis::RunParameters& q = r.provenance.params; // as the run takes them
    if (!o.quiet)
        std::fprintf(
            stderr, "tonalith-cli: %s: %d samples, spacing %s, %d windows x %d frequency rows\n",
            o.file.c_str(), r.provenance.samples, text::writtenNumber(r.provenance.deltat).c_str(),
            analysis::windowCount(q, r.provenance.samples), analysis::binCount(q));
    sink.begin();
    service::Execution execution;
    execution.workers = o.workers;
    execution.diagnostics = stderr;
    execution.quiet = o.quiet;
    execution.recordLevel = o.iprob;
    const service::RunOutcome outcome = service::analyseMap(s, r, sink, execution);
    sink.finishBar();
    if (outcome.finished())
        return 0;
    complain((outcome.end == service::RunEnd::Cancelled ? std::string("the run was cancelled")
                                                        : outcome.problem) +
             "; nothing was written");
    return EXIT_ANALYSIS_FAILED;
}

bool writeFile(const std::string& path, const std::function<bool(io::AtomicFile&)>& body) {
    std::string why;
    if (!io::AtomicFile::writeWhole(path, body, &why)) {
        complain(why);
        return false;
    }
    return true;
}

} // namespace

int runAnalyze(const AnalyzeOptions& o) {
    series::Series s;
    results::ResultSet r;
    if (const int status = loadChecked(o, s, r.provenance))
        return status;
    io::AtomicFile rows;
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
        // A named grid rather than a structured binding: a lambda may capture a binding only
        // from C++20 on.
        for (const auto& file : {std::pair{"-amplitude.tsv", results::GridOf::Amplitude},
                                 std::pair{"-probability.tsv", results::GridOf::Probability}}) {
            const results::GridOf which = file.second;
            if (!writeFile(o.grid + file.first, [&](io::AtomicFile& out) {
                    return results::writeGrid(out, r, which, results::Separator::Tab);
                }))
                return EXIT_ANALYSIS_FAILED;
        }
    }
    if (!o.map.empty() && !drawMap(o, r))
        return EXIT_ANALYSIS_FAILED;
    return 0;
}

int analyseLoaded(const AnalyzeOptions& o, const series::Series& s, results::ResultSet& r) {
    RunSink sink(r, nullptr, !o.quiet && ::isatty(STDERR_FILENO) != 0);
    return runEngine(o, s, r, sink);
}

int runPeaks(const AnalyzeOptions& o) {
    series::Series s;
    results::ResultSet r;
    if (const int status = loadChecked(o, s, r.provenance))
        return status;
    RunSink sink(r, nullptr, !o.quiet && ::isatty(STDERR_FILENO) != 0);
    if (const int status = runEngine(o, s, r, sink))
        return status;
    return writeFile(
               o.output,
               [&](io::AtomicFile& out) {
                   return results::writePeaks(out, r, {o.level, o.fdr}, results::Separator::Tab);
               })
               ? 0
               : EXIT_ANALYSIS_FAILED;
}

} // namespace cli
