// tonalith-cli spectrum: the whole record's adaptive multitaper power with its red-noise
// background and levels, and the F-test of one window the length of the record.
#include "cli/Commands.h"

#include "Qplot/plot_api.h"
#include "cli/OffscreenApplication.h"
#include "core/io/AtomicFile.h"
#include "core/spectrum/WholeRecordFile.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

namespace {

bool drawSpectrum(const AnalyzeOptions& o, const analysis::Provenance& p,
                  const spectrum::WholeRecord& r) {
    const OffscreenApplication application(o.quiet);
    const std::vector<bool> pass = spectrum::passesBoth(r, o.level);
    const std::vector<unsigned char> marked(pass.begin(), pass.end());
    const spectrum::Background& b = r.background;
    const std::string title = p.input + ", column " + std::to_string(p.column) +
                              (p.columnName.empty() ? "" : " (" + p.columnName + ")") +
                              ": power with the " + spectrum::backgroundKindName(b.kind) +
                              " background and its 90, 95 and 99 % levels; marked: F-test " +
                              "probability at least " + engine::formatDouble(o.level) +
                              " and power above the 95 % level";
    WholeRecordFigure* figure = wholeRecordFigureCreate(nullptr);
    wholeRecordFigureSetData(figure, r.frequency.data(), r.power.data(), b.level.data(),
                             b.level90.data(), b.level95.data(), b.level99.data(),
                             r.probability.data(), marked.data(), static_cast<int>(marked.size()),
                             o.level, title.c_str());
    char message[512] = "";
    const bool written = wholeRecordFigureWrite(figure, o.plot.c_str(), o.mapWidth, o.mapHeight,
                                                message, sizeof message);
    wholeRecordFigureDestroy(figure);
    if (!written)
        complain("cannot write the plot " + o.plot + ": " + message + " (nothing was written)");
    return written;
}

} // namespace

int runSpectrum(const AnalyzeOptions& o) {
    series::Series s;
    analysis::Provenance p;
    if (const int status = loadChecked(o, s, p, LoadFor::WholeRecord))
        return status;
    io::AtomicFile out;
    std::string why;
    if (!out.open(o.output, &why)) {
        complain(why);
        return EXIT_BAD_INPUT;
    }
    const analysis::RunParameters& q = p.params;
    spectrum::WholeRecordRequest request;
    request.tbw = q.tbw;
    request.kspec = q.kspec;
    request.nfft = q.nfft;
    request.fmax = q.fmax;
    request.keepMean = o.keepMean;
    request.windowDetrend = q.windowDetrend;
    request.background = o.background;
    engine::setDiagnosticStream(stderr);
    engine::setDiagnosticsDiscarded(o.quiet);
    if (!o.quiet)
        std::fprintf(stderr,
                     "tonalith-cli: %s: %d samples, spacing %s, transform length %d, %d "
                     "frequency rows\n",
                     o.file.c_str(), p.samples, engine::formatDouble(p.deltat).c_str(), q.nfft,
                     engine::mwc2Bins(q.nfft, q.fmax));
    const spectrum::WholeRecord r =
        spectrum::wholeRecordSpectrum(s.xpos, s.yval, p.deltat, request);
    engine::setDiagnosticsDiscarded(false);
    engine::setDiagnosticStream(nullptr);
    if (r.status != 0) {
        complain(engine::mwc2FailureText(r.status));
        return EXIT_ANALYSIS_FAILED;
    }
    if (!spectrum::wholeRecordFinite(r)) {
        complain(o.file + ": the spectrum overflows double precision: the values are too large; "
                          "rescale them (for example divide by a power of ten) and run again");
        return EXIT_ANALYSIS_FAILED;
    }
    if (!spectrum::writeWholeRecord(out, p, r) || !out.commit(&why)) {
        complain(why.empty() ? "cannot write " + o.output : why);
        return EXIT_ANALYSIS_FAILED;
    }
    if (!o.plot.empty() && !drawSpectrum(o, p, r))
        return EXIT_ANALYSIS_FAILED;
    return 0;
}

} // namespace cli
