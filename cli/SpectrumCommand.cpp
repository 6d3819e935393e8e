// tonalith-cli spectrum: the whole record's adaptive multitaper power with its red-noise
// background and levels, and the F-test of one window the length of the record.
#include "cli/Commands.h"

#include "cli/Figures.h"
#include "core/io/AtomicFile.h"
#include "core/service/AnalysisService.h"
#include "core/spectrum/WholeRecordFile.h"
#include "core/text/NumberText.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

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
    request.tapers = q.tapers;
    request.nfft = q.nfft;
    request.fmax = q.fmax;
    request.keepMean = o.keepMean;
    request.windowDetrend = q.windowDetrend;
    request.background = o.background;
    if (!o.quiet)
        std::fprintf(stderr,
                     "tonalith-cli: %s: %d samples, spacing %s, transform length %d, %d "
                     "frequency rows\n",
                     o.file.c_str(), p.samples, text::writtenNumber(p.deltat).c_str(), q.nfft,
                     analysis::binCount(q));
    service::Execution execution;
    execution.diagnostics = stderr;
    execution.quiet = o.quiet;
    service::RunControl control;
    spectrum::WholeRecord r;
    const service::RunOutcome outcome =
        service::analyseWholeRecord(s, p, request, r, control, execution);
    if (!outcome.finished()) {
        complain(o.file + ": " + outcome.problem);
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
