// record_spectrum(): the whole record's spectrum with its red-noise background and levels.
#include "rpackage/Interface.h"

#include "core/spectrum/WholeRecordFile.h"

using rpackage::Arguments;
using rpackage::refuse;

// [[Rcpp::export(name = ".record_spectrum")]]
SEXP recordSpectrum(Rcpp::List series, Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const std::string backgroundName = a.text("background");
        spectrum::BackgroundKind background{};
        if (!spectrum::parseBackgroundKind(backgroundName, background))
            refuse("background", "'" + backgroundName + "' is not ar1 or robust");
        analysis::RunRequest request;
        analysis::RunParameters& q = request.params;
        q.tbw = a.real("tbw");
        q.tapers = a.whole("tapers");
        q.nfft = a.given("nfft") ? a.whole("nfft") : 0; // 0: wholeRecordTransformLength
        q.fmax = a.real("fmax");
        const std::string how = a.text("window_detrend");
        const auto windowDetrend = analysis::parseWindowDetrend(how);
        if (!windowDetrend)
            refuse("window_detrend", "'" + how + "' is not none, mean or linear");
        q.windowDetrend = *windowDetrend;
        request.keepMean = a.flag("keep_mean");
        request.refuseUneven = true;
        request.wholeRecord = true;
        const service::Execution execution =
            rpackage::quietExecution(0, rpackage::recordsFolder(a));
        const analysis::PreparedRun run = rpackage::prepareSeries(series, request, a);

        const analysis::Provenance& p = run.provenance;
        spectrum::WholeRecordRequest w;
        w.tbw = p.params.tbw;
        w.tapers = p.params.tapers;
        w.nfft = p.params.nfft;
        w.fmax = p.params.fmax;
        w.keepMean = request.keepMean;
        w.windowDetrend = p.params.windowDetrend;
        w.background = background;
        spectrum::WholeRecord r;
        service::RunOutcome outcome;
        rpackage::runInterruptibly([&](service::RunControl& control) {
            outcome = service::analyseWholeRecord(run.series, p, w, r, control, execution);
        });
        if (!outcome.finished())
            throw std::runtime_error(outcome.problem);
        std::string text = spectrum::wholeRecordHeader(p, r).text() + spectrum::wholeRecordTitles();
        for (std::size_t i = 0; i < r.frequency.size(); ++i)
            spectrum::appendWholeRecordRow(text, r, i);
        return rpackage::tables(text);
    });
}
