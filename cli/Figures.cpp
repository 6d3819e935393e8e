#include "cli/Figures.h"

#include "Qplot/MapView.h"
#include "Qplot/plot_api.h"
#include "cli/Commands.h"
#include "cli/OffscreenApplication.h"
#include "core/astro/AstroFiles.h"
#include "core/astro/EvolutiveMap.h"
#include "core/results/MapVariant.h"
#include "core/results/ResultFiles.h"
#include "core/results/ResultGrids.h"
#include "core/text/NumberText.h"

#include <QWidget>

#include <string>
#include <vector>

namespace cli {

// The map as the application shows it, drawn without a display.
bool drawMap(const AnalyzeOptions& o, const results::ResultSet& r) {
    const auto grids = results::reshape(r.xcent, r.freq, r.ampl, r.prob);
    if (!grids) {
        complain("--map: the results could not be arranged into a map (window centres or "
                 "frequencies coincide in double precision)");
        return false;
    }
    const OffscreenApplication application(o.quiet);
    Plot* plot = plotCreate(nullptr);
    reinterpret_cast<QWidget*>(plot)->resize(1200, 800);
    plotSetPositionUnit(plot, r.provenance.positionName.c_str());
    const std::string summary = results::runSummary(r.provenance);
    plotSetDocumentTitle(plot, ("Tonalith: " + summary).c_str());
    if (o.mapTitle)
        plotSetTitle(plot, summary.c_str());
    const results::Grids& g = *grids;
    const std::vector<double> image = results::mapValues(g, o.mapOf);
    const std::string title = results::mapOfTitle(o.mapOf);
    MapStyle style;
    style.colorMap = o.colours;
    style.colourBarTitle = title.c_str();
    style.maskLevel = o.maskLevel;
    style.reverseX = o.reverseX;
    mapShow(plot,
            {image.data(), g.sgrid.data(), static_cast<int64_t>(image.size()),
             static_cast<int>(g.nx), g.xmin, g.xmax, g.flow, g.fhigh},
            true, style);
    char message[512] = "";
    const bool written =
        plotWriteFigure(plot, o.map.c_str(), o.mapWidth, o.mapHeight, message, sizeof message);
    plotDestroy(plot);
    if (!written)
        complain("cannot write the map " + o.map + ": " + message + " (nothing was written)");
    return written;
}

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
                              "probability at least " + text::exactNumber(o.level) +
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

namespace {

// "file, column N (name)" for a figure's title.
std::string recordName(const analysis::Provenance& p) {
    return p.input + ", column " + std::to_string(p.column) +
           (p.columnName.empty() ? "" : " (" + p.columnName + ")");
}

} // namespace

bool drawTimeOpt(const AstroOptions& o, const astro::TestDescription& d,
                 const astro::TimeOptScan& scan, const astro::Significance* significance) {
    const OffscreenApplication application(o.input.quiet);
    std::vector<double> rate, envelope, power, opt;
    for (const astro::RateScore& s : scan.scores) {
        rate.push_back(s.rate);
        envelope.push_back(s.r2Envelope);
        power.push_back(s.r2Power);
        opt.push_back(s.r2Opt);
    }
    const astro::RateScore& best = scan.scores[scan.best];
    const std::string title = recordName(d.record) + ": astronomical test (TimeOpt)";
    TimeOptFigure* figure = timeOptFigureCreate(nullptr);
    timeOptFigureSetData(figure, rate.data(), envelope.data(), power.data(), opt.data(),
                         static_cast<int>(rate.size()), best.rate, best.r2Opt,
                         significance ? significance->pValue : -1.0,
                         significance ? significance->simulations : 0, title.c_str());
    char message[512] = "";
    const bool written = timeOptFigureWrite(figure, o.plot.c_str(), o.input.mapWidth,
                                            o.input.mapHeight, message, sizeof message);
    timeOptFigureDestroy(figure);
    if (!written)
        complain("cannot write the plot " + o.plot + ": " + message + " (nothing was written)");
    return written;
}

bool drawEvolutiveMap(const AstroOptions& o, const astro::TestDescription& d,
                      const astro::EvolutiveTimeOpt& e,
                      const std::vector<astro::TrackPoint>& track) {
    const OffscreenApplication application(o.input.quiet);
    int rows = 0;
    const std::vector<double> image = astro::evolutiveMapImage(e, !o.grid.linear, rows);
    Plot* plot = plotCreate(nullptr);
    reinterpret_cast<QWidget*>(plot)->resize(1200, 800);
    const std::string title = recordName(d.record) + ": evolutive astronomical test, r2_opt";
    plotSetDocumentTitle(plot, ("Tonalith: " + title).c_str());
    plotSetPositionUnit(plot, d.record.positionName.c_str());
    plotSetFrequencyAxis(plot, false, !o.grid.linear);
    plotSetAxisTitle(plot, PLOT_Y_LEFT, "Sedimentation rate (cm/kyr)");
    MapStyle style;
    style.colorMap = o.input.colours;
    style.colourBarTitle = "r2_opt";
    style.reverseX = o.input.reverseX;
    mapShow(plot,
            {image.data(), image.data(), static_cast<int64_t>(image.size()),
             static_cast<int>(e.centres.size()), e.centres.front(), e.centres.back(),
             e.rates.front(), e.rates.back()},
            false, style);
    std::vector<double> x, rate;
    for (const astro::TrackPoint& p : track) {
        x.push_back(p.centre);
        rate.push_back(p.rate);
    }
    plotSetTrace(plot, x.data(), rate.data(), nullptr, static_cast<int>(x.size()), 0);
    char message[512] = "";
    const bool written = plotWriteFigure(plot, o.map.c_str(), o.input.mapWidth, o.input.mapHeight,
                                         message, sizeof message);
    plotDestroy(plot);
    if (!written)
        complain("cannot write the map " + o.map + ": " + message + " (nothing was written)");
    return written;
}

} // namespace cli
