// Core's results as pictures, for the window and the tool alike: each figure is composed here
// once and drawn through the plot layer's entry points on the handle the caller holds (a map's
// Plot, a TimeOptFigure, a WholeRecordFigure), so that a front end needs no plot-layer class.
#pragma once

#include "Qplot/plot_api.h"
#include "core/astro/SpectralMisfit.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"
#include "core/results/MapVariant.h"
#include "core/results/ResultGrids.h"
#include "core/spectrum/WholeRecord.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/Hiatus.h"

#include <string>
#include <vector>

// How a map shows its grids.
struct MapLook {
    results::MapOf of = results::MapOf::Amplitude;
    int colorMap = PLOT_MAP_LINEAR;
    double maskLevel = 0; // 0: every cell coloured
    double fdr = 0;       // > 0 with a mask: the cells false-discovery control keeps
    bool reverseX = false;
};

// The map of an analysis: what the colour shows over window centre and frequency, with the
// F-test probability contours when asked.
void figureShowMap(Plot* plot, const results::Grids& grids, const MapLook& look, bool contours);

// The evolutive astronomical test: r2_opt over position and rate (a logarithmic rate axis for
// a logarithmic grid), with the track of optima and each window's rate interval for
// probability `interval` (the mode holding its optimum).
void figureShowEvolutiveTest(Plot* plot, const astro::EvolutiveTimeOpt& e, bool logarithmic,
                             int colorMap, bool reverseX, double interval);

// What the windows' tests say, over the evolutive test's map (drawn first): the track's points
// filled where the window's optimum is significant and crossed where it is flagged edge, alias
// or jump, the windows not significant hatched and dimmed (when they were tested), and each
// window's identified rate marked (when the lines were tested). None: all of it cleared.
void figureShowWindowTests(Plot* plot, const astro::FlaggedTrack* track);

// The astronomical test's three scores against the rate, with the optimum, its interval for
// probability `interval` and, when there is one, the p-value.
void figureShowTimeOpt(TimeOptFigure* figure, const astro::TimeOptScan& scan,
                       const astro::Significance* significance, const std::string& title,
                       double interval);

// The spectral misfit of the record's lines against the rate, the best rate marked with its
// corrected null probability, from `simulations` random line sets.
void figureShowMisfit(MisfitFigure* figure, const astro::MisfitScan& scan, int simulations,
                      const std::string& title);

// An age model: age and sedimentation rate against position, the rate multiplied by
// `rateFactor` (to show it in cm/kyr); none: an empty plot.
void figureShowAgeModel(AgeModelPlot* plot, const tuning::AgeModel* model, double rateFactor,
                        const std::string& positionName);
// The age model's band and median (none: removed) and the stretches of its possible hiatuses.
void figureShowAgeBand(AgeModelPlot* plot, const tuning::AgeModel* model,
                       const tuning::AgeBand* band,
                       const std::vector<tuning::PossibleHiatus>& hiatuses);

// The whole record's power, background, levels and F-test probability; marked: the bins whose
// probability reaches `level` and whose power passes the 95 % level where it is reliable; the
// lowest frequencies, where the levels are not, shaded.
void figureShowWholeRecord(WholeRecordFigure* figure, const spectrum::WholeRecord& record,
                           double level, const std::string& title);
