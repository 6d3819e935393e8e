#include "cli/Figures.h"

#include "Qplot/MapView.h"
#include "Qplot/plot_api.h"
#include "cli/Commands.h"
#include "cli/OffscreenApplication.h"
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
                              "probability at least " + text::numberText(o.level) +
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

} // namespace cli
