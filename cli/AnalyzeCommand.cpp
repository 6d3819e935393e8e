// tonalith-cli analyze: load one column, check it and the parameters, run the engine, write
// the result rows.
#include "Commands.h"
#include "OutputFile.h"

#include "RunParameters.h"
#include "SeriesFile.h"
#include "diagnostics.h"
#include "mwc2.h"

#include <charconv>
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

// The field number for --column: a number, or a name looked up in the first line.
std::optional<int> resolveColumn(const AnalyzeOptions& o, const std::string& firstLine,
                                 std::string& error) {
    if (const auto n = parseInteger(o.column)) {
        if (*n < 1) {
            error =
                "--column " + o.column + ": field 0 holds the positions; value columns start at 1";
            return std::nullopt;
        }
        return *n;
    }
    const auto fields = series::splitFields(firstLine);
    std::string names;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields[i] == o.column)
            return static_cast<int>(i);
        names += (names.empty() ? "" : ", ") + std::string(fields[i]);
    }
    error = "--column: '" + o.column + "' is not a column name in the first line of " + o.file +
            (names.empty() ? " (it has no value columns)" : " (its columns are: " + names + ")");
    return std::nullopt;
}

void appendNumber(std::string& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Receives the engine's progress reports: draws the progress bar and writes the rows of the
// windows that are final, so that formatting overlaps the analysis.
class RunSink {
public:
    RunSink(OutputFile& out, const std::vector<double>* columns[4], int windows, int nsel, bool bar)
        : out_(out), windows_(windows), nsel_(nsel), bar_(bar) {
        for (int c = 0; c < 4; ++c)
            columns_[c] = columns[c];
        chunk_ = "x_centre\tfrequency\tamplitude\tprobability\n";
    }

    static void report(void* ctx, double percent) {
        auto* sink = static_cast<RunSink*>(ctx);
        const long w = std::lround(percent * sink->windows_ / 100.0);
        sink->writeRows(static_cast<std::size_t>(std::max(w - 1, 0L)) * sink->nsel_);
        sink->draw(static_cast<int>(percent));
    }

    // Writes rows up to (not including) `rows`; false once writing has failed.
    bool writeRows(std::size_t rows) {
        for (; written_ < rows && !failed_; ++written_) {
            for (int c = 0; c < 4; ++c) {
                appendNumber(chunk_, (*columns_[c])[written_]);
                chunk_.push_back(c < 3 ? '\t' : '\n');
            }
            if (chunk_.size() > (1 << 20))
                flush();
        }
        return !failed_;
    }

    bool flush() {
        if (!failed_ && !out_.write(chunk_))
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

    OutputFile& out_;
    const std::vector<double>* columns_[4];
    int windows_;
    int nsel_;
    bool bar_;
    int shown_ = -1;
    std::size_t written_ = 0;
    bool failed_ = false;
    std::string chunk_;
};

} // namespace

int runAnalyze(const AnalyzeOptions& o) {
    std::string why;
    const auto text = series::readText(o.file, &why);
    if (!text) {
        complain("cannot read " + o.file + ": " + why);
        return EXIT_BAD_INPUT;
    }
    const auto lines = series::splitLines(*text);
    std::string error;
    const auto column = resolveColumn(o, std::string(lines.front()), error);
    if (!column) {
        complain(error);
        return EXIT_BAD_INPUT;
    }
    const auto loaded = series::loadSeries(o.file, o.skip, *column, &why);
    if (!loaded) {
        complain("cannot load " + o.file + ": " + why);
        return EXIT_BAD_INPUT;
    }
    const series::Series& s = *loaded;
    if (s.xpos.empty()) {
        complain(o.file + ": no data: " + series::explainEmptySeries(*text, o.skip, *column));
        return EXIT_BAD_INPUT;
    }
    if (const auto problem = analysis::checkSeries(s)) {
        complain(o.file + ": " + problem->text);
        return EXIT_BAD_INPUT;
    }
    const analysis::SpacingReport spacing = analysis::checkSpacing(s);
    if (!spacing.even)
        complain("warning: " + o.file + ": " + spacing.text);

    const int npts = static_cast<int>(s.xpos.size());
    const double deltat = spacing.deltat;
    if (const auto problem = analysis::checkParameters(o.params, npts, deltat)) {
        const char* option = optionOf(problem->parameter);
        complain(option ? std::string(option) + ": " + problem->text
                        : o.file + ": " + problem->text);
        return EXIT_BAD_INPUT;
    }

    OutputFile out;
    if (!out.open(o.output, &why)) {
        complain(why);
        return EXIT_BAD_INPUT;
    }

    const int nwin = analysis::windowCount(o.params, npts);
    const int nsel = analysis::binCount(o.params);
    const std::size_t cells = static_cast<std::size_t>(nwin) * static_cast<std::size_t>(nsel);
    std::vector<double> xcent(cells), freq(cells), ampl(cells), prob(cells);

    std::FILE* silent = o.quiet ? std::fopen("/dev/null", "w") : nullptr;
    engine::setDiagnosticStream(o.quiet ? silent : stderr);
    if (!o.quiet)
        std::fprintf(stderr,
                     "tonalith-cli: %s: %d samples, spacing %s, %d windows x %d frequency rows\n",
                     o.file.c_str(), npts, engine::formatDouble(deltat).c_str(), nwin, nsel);
    const std::vector<double>* columns[4] = {&xcent, &freq, &ampl, &prob};
    RunSink sink(out, columns, nwin, nsel, !o.quiet && ::isatty(STDERR_FILENO) != 0);
    const analysis::RunParameters& p = o.params;
    const int status =
        engine::mwc2(xcent.data(), freq.data(), ampl.data(), prob.data(), s.xpos.data(), p.tbw,
                     p.fmax, deltat, s.yval.data(), o.keepMean ? 0 : 1, npts, p.kspec, p.mpts,
                     p.inc, p.nfft, o.iprob, &sink, &RunSink::report);
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
    sink.writeRows(cells);
    sink.flush();
    if (!out.commit(&why)) {
        complain(why);
        return EXIT_ANALYSIS_FAILED;
    }
    return 0;
}

} // namespace cli
