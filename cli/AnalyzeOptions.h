// What the analysing commands of tonalith-cli (analyze, peaks, spectrum, trace, tune) and
// tapers take from the command line.
#pragma once

#include "core/analysis/ParameterCatalogue.h"
#include "core/analysis/RunParameters.h"
#include "core/results/MapVariant.h"
#include "core/series/Preparation.h"
#include "core/spectrum/RedNoise.h"
#include "core/tuning/Anchors.h"
#include "core/tuning/LineTrace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// tune (both routes): the ensemble of age models and the anchors.
struct TuneEnsembleOptions {
    int members = analysis::wholeDefault(analysis::ParameterId::Ensemble); // --ensemble
    std::uint64_t seed =
        static_cast<std::uint64_t>(analysis::wholeDefault(analysis::ParameterId::EnsembleSeed));
    double interval = analysis::parameterDefault(analysis::ParameterId::Interval);
    std::string file;                    // --ensemble-file; empty: none
    std::vector<tuning::Anchor> anchors; // --anchor, as given
    double windowLength = 0;             // --window-length; 0: from the file's '#' block
    double periodSd = 0;                 // --period P:SD
};

struct AnalyzeOptions {
    std::string file;
    std::string column = "1"; // field number (positions are field 0) or a header name
    int skip = 1;
    analysis::RunParameters params;
    bool keepMean = false;
    int iprob = 95;
    std::string output; // empty: standard output
    bool quiet = false;
    std::string grid;    // prefix of the grid files; empty: none
    std::string map;     // figure file (.pdf, .png or .svg); empty: none
    double mapWidth = 0; // pixels for PNG, millimetres for PDF and SVG; 0: the format's default
    double mapHeight = 0;
    results::MapOf mapOf = results::MapOf::Amplitude;
    double maskLevel = 0;  // cells of lower probability drawn transparent; 0: none
    int colours = 0;       // the plot layer's colour-map code
    bool reverseX = false; // the position axis from its maximum to its minimum
    bool mapTitle = false; // a title line naming the file, column and parameters
    bool interpolate = false;
    double interpolateStep = 0; // 0: the median spacing
    int workers = 0;            // threads for the windows; 0: one per core (at most 4)
    double level = 0.95;        // peaks: the probability a line must reach
    double fdr = 0;             // peaks: false-discovery rate; 0: no control
    series::Preparation preparation;
    spectrum::BackgroundKind background = spectrum::BackgroundKind::Ar1; // spectrum
    std::string plot; // spectrum: figure file (.pdf, .png or .svg); empty: none
    double windowLength = 0, stepLength = 0, fmaxPerUnit = 0; // in position units; 0: not given
    std::string records; // folder of the engine's record files; empty: the working directory
    // trace: where the line starts, the band around it and what decides.
    double startPosition = 0, startFrequency = 0, band = 0; // band 0: half the half-bandwidth
    bool haveStart = false;
    tuning::TraceBy traceBy = tuning::TraceBy::Amplitude;
    // trace: the probability of each point's frequency interval.
    double interval = analysis::parameterDefault(analysis::ParameterId::IntervalProbability);
    // tune: the trace, the cycle's period, the first sample's age, the resampling step and
    // the age-model file.
    std::string traceFile, model;
    double period = 0, startAge = 0, tuneStep = 0;
    // tune: a trace with rows flagged jump, edge or drift is used as it is.
    bool acceptFlags = false;
    // tune --check-track: an etimeopt track the trace is held against (empty: none), with the
    // positions' unit (--positions-in) that turns the trace's frequencies into rates.
    std::string checkTrack;
    std::string positionsIn = "m";
    TuneEnsembleOptions ensemble;
};

struct TapersOptions {
    int length = 0;
    int tapers = 0;
    double tbw = 0.0;
    std::string output;
};

} // namespace cli
