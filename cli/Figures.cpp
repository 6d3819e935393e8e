#include "cli/Figures.h"

#include "Qplot/plot_api.h"
#include "cli/Commands.h"
#include "cli/OffscreenApplication.h"
#include "core/astro/AstroFiles.h"
#include "core/astro/EvolutiveMap.h"
#include "core/results/MapVariant.h"
#include "core/results/ResultFiles.h"
#include "core/results/ResultGrids.h"
#include "core/text/NumberText.h"
#include "figures/ResultFigures.h"

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
    figureShowMap(plot, *grids, {o.mapOf, o.colours, o.maskLevel, 0, o.reverseX}, true);
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
    const spectrum::Background& b = r.background;
    const std::string title = p.input + ", column " + std::to_string(p.column) +
                              (p.columnName.empty() ? "" : " (" + p.columnName + ")") +
                              ": power with the " + spectrum::backgroundKindName(b.kind) +
                              " background and its 90, 95 and 99 % levels; marked: F-test " +
                              "probability at least " + text::exactNumber(o.level) +
                              " and power above the 95 % level";
    WholeRecordFigure* figure = wholeRecordFigureCreate(nullptr);
    figureShowWholeRecord(figure, r, o.level, title);
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
    const std::string title = recordName(d.record) + ": astronomical test (TimeOpt)";
    TimeOptFigure* figure = timeOptFigureCreate(nullptr);
    figureShowTimeOpt(figure, scan, significance, title, d.interval);
    char message[512] = "";
    const bool written = timeOptFigureWrite(figure, o.plot.c_str(), o.input.mapWidth,
                                            o.input.mapHeight, message, sizeof message);
    timeOptFigureDestroy(figure);
    if (!written)
        complain("cannot write the plot " + o.plot + ": " + message + " (nothing was written)");
    return written;
}

bool drawEvolutiveMap(const AstroOptions& o, const astro::TestDescription& d,
                      const astro::EvolutiveTimeOpt& e) {
    const OffscreenApplication application(o.input.quiet);
    Plot* plot = plotCreate(nullptr);
    reinterpret_cast<QWidget*>(plot)->resize(1200, 800);
    const std::string title = recordName(d.record) + ": evolutive astronomical test, r2_opt";
    plotSetDocumentTitle(plot, ("Tonalith: " + title).c_str());
    plotSetPositionUnit(plot, d.record.positionName.c_str());
    figureShowEvolutiveTest(plot, e, !o.grid.linear, o.input.colours, o.input.reverseX, d.interval);
    char message[512] = "";
    const bool written = plotWriteFigure(plot, o.map.c_str(), o.input.mapWidth, o.input.mapHeight,
                                         message, sizeof message);
    plotDestroy(plot);
    if (!written)
        complain("cannot write the map " + o.map + ": " + message + " (nothing was written)");
    return written;
}

} // namespace cli
