#include "core/results/ResultFiles.h"

#include "core/text/NumberText.h"

#include <charconv>
#include <cmath>

namespace results {

namespace {

// Buffered writing in pieces of about a megabyte.
class Writer {
public:
    explicit Writer(io::AtomicFile& out) : out_(out) { buffer_.reserve(1 << 20); }
    std::string& text() { return buffer_; }
    bool maybeFlush() { return buffer_.size() < (1 << 20) || flush(); }
    bool flush() {
        const bool ok = out_.write(buffer_);
        buffer_.clear();
        return ok;
    }

private:
    io::AtomicFile& out_;
    std::string buffer_;
};

} // namespace

HeaderBlock headerBlock(const analysis::Provenance& p, const std::string& what) {
    const analysis::RunParameters& q = p.params;
    HeaderBlock h("evolutive multitaper harmonic analysis, " + what);
    h.source(p).reading(p, true);
    if (!p.unitLengths.empty())
        h.line("given in position units", p.unitLengths);
    h.line("mean removed", p.meanRemoved ? "yes" : "no");
    if (q.windowDetrend != analysis::WindowDetrend::None)
        h.line("window detrend",
               std::string(analysis::windowDetrendName(q.windowDetrend)) +
                   (q.windowDetrend == analysis::WindowDetrend::Mean
                        ? " (each window's mean removed before tapering)"
                        : " (each window's least-squares line removed before tapering)"));
    h.line("time-bandwidth product", text::writtenNumber(q.tbw));
    h.line("tapers", std::to_string(q.tapers));
    h.line("window", std::to_string(q.window) + " samples");
    h.line("step", std::to_string(q.step) + " samples");
    h.line("transform length", std::to_string(q.nfft));
    h.line("highest frequency", text::writtenNumber(q.fmax) + " cycles per sample");
    h.line("frequency", "cycles per position unit; amplitude: unit of the values; probability: of "
                        "the harmonic F-test (1e+37 where it could not be evaluated)");
    return h;
}

std::string runSummary(const analysis::Provenance& p) {
    const analysis::RunParameters& q = p.params;
    const std::size_t slash = p.input.find_last_of('/');
    std::string s = (slash == std::string::npos ? p.input : p.input.substr(slash + 1)) +
                    ", column " + std::to_string(p.column) +
                    (p.columnName.empty() ? "" : " (" + p.columnName + ")") + ": window " +
                    std::to_string(q.window) + ", step " + std::to_string(q.step) + ", " +
                    std::to_string(q.tapers) + " tapers, time-bandwidth " +
                    text::writtenNumber(q.tbw) + ", transform " + std::to_string(q.nfft) +
                    ", highest frequency " + text::writtenNumber(q.fmax) + " cycles per sample";
    if (q.windowDetrend != analysis::WindowDetrend::None)
        s += ", window detrend " + std::string(analysis::windowDetrendName(q.windowDetrend));
    if (!p.preparation.empty())
        s += "; " + p.preparation;
    return s;
}

std::string rowTitles(Separator sep) {
    const char s = static_cast<char>(sep);
    return std::string("x_centre") + s + "frequency" + s + "amplitude" + s + "probability\n";
}

void appendRow(std::string& out, const ResultSet& r, std::size_t i, Separator sep) {
    const char s = static_cast<char>(sep);
    text::appendExactNumber(out, r.xcent[i]);
    out.push_back(s);
    text::appendExactNumber(out, r.freq[i]);
    out.push_back(s);
    text::appendExactNumber(out, r.ampl[i]);
    out.push_back(s);
    text::appendExactNumber(out, r.prob[i]);
    out.push_back('\n');
}

std::string peakTitles(Separator sep, bool cycles) {
    const char s = static_cast<char>(sep);
    return std::string("x_centre") + s + "frequency" + s + "period" + s + "amplitude" + s +
           "probability" + (cycles ? std::string(1, s) + "cycle" : std::string()) + "\n";
}

void appendPeaks(std::string& out, const std::vector<Peak>& peaks, Separator sep,
                 const PeakCycles* cycles) {
    const char s = static_cast<char>(sep);
    for (const Peak& p : peaks) {
        for (double v : {p.centre, p.frequency, p.period, p.amplitude}) {
            text::appendExactNumber(out, v);
            out.push_back(s);
        }
        text::appendExactNumber(out, p.probability);
        if (cycles) {
            out.push_back(s);
            out += cycles->of(p);
        }
        out.push_back('\n');
    }
}

bool writeRows(io::AtomicFile& out, const ResultSet& r, Separator sep) {
    Writer w(out);
    std::string& t = w.text();
    t = headerBlock(r.provenance, "result rows").text() + rowTitles(sep);
    for (std::size_t i = 0; i < r.xcent.size(); ++i) {
        appendRow(t, r, i, sep);
        if (!w.maybeFlush())
            return false;
    }
    return w.flush();
}

bool writeGrid(io::AtomicFile& out, const ResultSet& r, GridOf which, Separator sep) {
    Writer w(out);
    std::string& t = w.text();
    const bool amplitude = which == GridOf::Amplitude;
    t = headerBlock(r.provenance, amplitude ? "amplitude grid (frequency x window centre)"
                                            : "probability grid (frequency x window centre)")
            .text();
    const char s = static_cast<char>(sep);
    t += "frequency";
    for (int w0 = 0; w0 < r.windows; ++w0) {
        t.push_back(s);
        text::appendExactNumber(t, r.centre(w0));
    }
    t.push_back('\n');
    const std::vector<double>& values = amplitude ? r.ampl : r.prob;
    for (int i = 0; i < r.bins; ++i) {
        text::appendExactNumber(t, r.frequency(i));
        for (int w0 = 0; w0 < r.windows; ++w0) {
            t.push_back(s);
            text::appendExactNumber(t, values[r.row(w0, i)]);
        }
        t.push_back('\n');
        if (!w.maybeFlush())
            return false;
    }
    return w.flush();
}

HeaderBlock peaksHeader(const ResultSet& r, const LineRule& rule) {
    HeaderBlock h = headerBlock(
        r.provenance, rule.fdr > 0 ? "spectral lines kept by false-discovery control at rate " +
                                         text::writtenNumber(rule.fdr)
                                   : "spectral lines at probability " +
                                         text::writtenNumber(rule.level) + " or more");
    h.line("lines", lineRuleText(rule, r.provenance.params, r.windows > 0 ? testedBins(r, 0) : 0));
    return h;
}

bool writePeaks(io::AtomicFile& out, const ResultSet& r, const LineRule& rule, Separator sep,
                const PeakCycles* cycles) {
    Writer w(out);
    std::string& t = w.text();
    HeaderBlock h = peaksHeader(r, rule);
    if (cycles)
        h.line("cycle", cycles->note);
    t = h.text() + peakTitles(sep, cycles != nullptr);
    for (int w0 = 0; w0 < r.windows; ++w0) {
        appendPeaks(t, findPeaks(r, w0, rule), sep, cycles);
        if (!w.maybeFlush())
            return false;
    }
    return w.flush();
}

} // namespace results
