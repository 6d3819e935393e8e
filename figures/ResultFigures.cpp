#include "figures/ResultFigures.h"

#include "Qplot/MapView.h"
#include "core/astro/AstroFiles.h"
#include "core/astro/EvolutiveMap.h"
#include "core/astro/TestReading.h"

#include <cmath>

void figureShowMap(Plot* plot, const results::Grids& g, const MapLook& look, bool contours) {
    const std::vector<double> image = results::mapValues(g, look.of);
    const std::string title = results::mapOfTitle(look.of);
    MapStyle style;
    style.colorMap = look.colorMap;
    style.colourBarTitle = title.c_str();
    style.maskLevel = look.maskLevel;
    style.reverseX = look.reverseX;
    std::vector<double> kept;
    if (look.fdr > 0 && look.maskLevel > 0) {
        kept = results::falseDiscoveryMask(g, look.fdr);
        style.maskValues = kept.data();
        style.maskLevel = 0.5;
    }
    mapShow(plot,
            {image.data(), g.sgrid.data(), static_cast<int64_t>(image.size()),
             static_cast<int>(g.nx), g.xmin, g.xmax, g.flow, g.fhigh},
            contours, style);
}

void figureShowEvolutiveTest(Plot* plot, const astro::EvolutiveTimeOpt& e, bool logarithmic,
                             int colorMap, bool reverseX, double interval) {
    int rows = 0;
    const std::vector<double> image = astro::evolutiveMapImage(e, logarithmic, rows);
    plotSetFrequencyAxis(plot, false, logarithmic);
    MapStyle style;
    style.colorMap = colorMap;
    style.colourBarTitle = "r2_opt";
    style.reverseX = reverseX;
    mapShow(plot,
            {image.data(), image.data(), static_cast<int64_t>(image.size()),
             static_cast<int>(e.centres.size()), e.centres.front(), e.centres.back(),
             e.rates.front(), e.rates.back()},
            false, style);
    plotSetAxisTitle(plot, PLOT_Y_LEFT, "Sedimentation rate (cm/kyr)");
    std::vector<double> x, rate, low, high;
    const std::vector<astro::RateInterval> intervals = astro::evolutiveIntervals(e, interval);
    const std::vector<astro::TrackPoint> track = astro::optimumTrack(e);
    for (std::size_t w = 0; w < track.size(); ++w) {
        x.push_back(track[w].centre);
        rate.push_back(track[w].rate);
        const astro::RateMode* m =
            w < intervals.size() ? intervals[w].holding(track[w].rate) : nullptr;
        low.push_back(m ? m->low : NAN);
        high.push_back(m ? m->high : NAN);
    }
    const int n = static_cast<int>(x.size());
    plotSetTrace(plot, x.data(), rate.data(), nullptr, n, 0);
    plotSetTraceIntervals(plot, low.data(), high.data(), n);
}

void figureShowWindowTests(Plot* plot, const astro::FlaggedTrack* track) {
    std::vector<double> x, rate, from, to, identified;
    std::vector<unsigned char> significant, flagged;
    const std::size_t windows = track ? track->points.size() : 0;
    const bool tested = track && track->pValues.size() == windows;
    for (std::size_t w = 0; w < windows; ++w) {
        x.push_back(track->points[w].centre);
        rate.push_back(track->points[w].rate);
        identified.push_back(track->identifiedRate(w));
        significant.push_back(!tested || track->significant[w]);
        const tuning::RateFlag f = track->flags[w];
        flagged.push_back(f == tuning::RateFlag::Edge || f == tuning::RateFlag::Alias ||
                          f == tuning::RateFlag::Jump);
    }
    // A window's column reaches halfway to its neighbours' centres.
    for (std::size_t w = 0; tested && windows > 1 && w < windows; ++w) {
        if (track->significant[w])
            continue;
        const double c = x[w];
        const double before = w > 0 ? x[w - 1] : 2 * c - x[w + 1];
        const double after = w + 1 < windows ? x[w + 1] : 2 * c - x[w - 1];
        from.push_back((before + c) / 2);
        to.push_back((c + after) / 2);
    }
    const int n = static_cast<int>(windows);
    if (track) {
        // The trace drawn again with its points' kinds: the optimum's intervals with it.
        std::vector<double> low, high;
        for (std::size_t w = 0; w < windows; ++w) {
            const astro::RateMode* m = w < track->intervals.size()
                                           ? track->intervals[w].holding(track->points[w].rate)
                                           : nullptr;
            low.push_back(m ? m->low : NAN);
            high.push_back(m ? m->high : NAN);
        }
        plotSetTrace(plot, x.data(), rate.data(), significant.data(), n, 0);
        plotSetTraceFlags(plot, flagged.data(), n);
        plotSetTraceIntervals(plot, low.data(), high.data(), n);
    }
    plotSetShadedColumns(plot, from.data(), to.data(), static_cast<int>(from.size()));
    const bool lines = track && !track->identities.empty();
    plotSetMarks(plot, x.data(), identified.data(), lines ? n : 0);
}

void figureShowTimeOpt(TimeOptFigure* figure, const astro::TimeOptScan& scan,
                       const astro::Significance* significance, const std::string& title,
                       double interval) {
    std::vector<double> rate, envelope, power, opt;
    for (const astro::RateScore& s : scan.scores) {
        rate.push_back(s.rate);
        envelope.push_back(s.r2Envelope);
        power.push_back(s.r2Power);
        opt.push_back(s.r2Opt);
    }
    const astro::RateScore& best = scan.scores[scan.best];
    // The figure says what the optimum means, as the file does.
    std::string said = title;
    for (const std::string& caution : astro::readTest(scan, significance).cautions)
        said += "; " + caution;
    timeOptFigureSetData(figure, rate.data(), envelope.data(), power.data(), opt.data(),
                         static_cast<int>(rate.size()), best.rate, best.r2Opt,
                         significance ? significance->pValue : -1.0,
                         significance ? significance->simulations : 0, said.c_str());
    const astro::RateInterval i = astro::rateInterval(scan.likelihood, interval);
    const astro::RateMode* m = i.holding(best.rate);
    timeOptFigureSetInterval(figure, m ? m->low : NAN, m ? m->high : NAN,
                             m ? astro::modeText(i, *m).c_str() : "");
}

void figureShowMisfit(MisfitFigure* figure, const astro::MisfitScan& scan, int simulations,
                      const std::string& title) {
    std::vector<double> rate, misfit, pNull;
    for (const astro::MisfitRow& row : scan.rows) {
        rate.push_back(row.rate);
        misfit.push_back(row.misfit);
        pNull.push_back(row.pNull);
    }
    const astro::MisfitRow& best = scan.rows[scan.best];
    misfitFigureSetData(figure, rate.data(), misfit.data(), pNull.data(),
                        static_cast<int>(rate.size()), best.rate, best.misfit, scan.bestCorrected,
                        simulations, title.c_str());
}

void figureShowAgeModel(AgeModelPlot* plot, const tuning::AgeModel* model, double rateFactor,
                        const std::string& positionName) {
    const int n = model ? static_cast<int>(model->position.size()) : 0;
    std::vector<double> rate = n ? model->rate : std::vector<double>();
    for (double& r : rate)
        r *= rateFactor;
    ageModelPlotSetData(plot, n ? model->position.data() : nullptr, n ? model->age.data() : nullptr,
                        n ? rate.data() : nullptr, n, positionName.c_str());
}

void figureShowAgeBand(AgeModelPlot* plot, const tuning::AgeModel* model,
                       const tuning::AgeBand* band,
                       const std::vector<tuning::PossibleHiatus>& hiatuses) {
    const bool shown = model && band && band->low.size() == model->position.size();
    const int n = shown ? static_cast<int>(band->low.size()) : 0;
    ageModelPlotSetBand(plot, shown ? model->position.data() : nullptr,
                        shown ? band->low.data() : nullptr, shown ? band->median.data() : nullptr,
                        shown ? band->high.data() : nullptr, n);
    std::vector<double> first, last;
    for (const tuning::PossibleHiatus& h : hiatuses) {
        first.push_back(h.first);
        last.push_back(h.last);
    }
    ageModelPlotSetStretches(plot, first.data(), last.data(), static_cast<int>(first.size()));
}

void figureShowWholeRecord(WholeRecordFigure* figure, const spectrum::WholeRecord& r, double level,
                           const std::string& title) {
    const std::vector<bool> pass = spectrum::passesBoth(r, level);
    const std::vector<unsigned char> marked(pass.begin(), pass.end());
    const spectrum::Background& b = r.background;
    wholeRecordFigureSetData(figure, r.frequency.data(), r.power.data(), b.level.data(),
                             b.level90.data(), b.level95.data(), b.level99.data(),
                             r.probability.data(), marked.data(), static_cast<int>(marked.size()),
                             level, title.c_str());
    wholeRecordFigureSetUnreliableBelow(figure, spectrum::unreliableBelow(r));
}
