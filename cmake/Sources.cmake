# The one list of the engine's and core's sources and of the flags they are compiled with, read
# by the CMake build (engine/, core/, cli/, python/), by the fuzz build (tests/fuzz) and by
# setup.py (the module as pip builds it). Paths are relative to the project's root; every list
# is a plain set(NAME items...) so that setup.py can read it without CMake.

# Warnings of the project's own code.
set(TONALITH_WARNING_FLAGS -Wall -Wextra)

# The engine's rounding is part of its definition: nothing contracts its products into sums or
# lets fast-math reorder them.
set(TONALITH_ENGINE_FLAGS -ffp-contract=off -fno-fast-math)

set(TONALITH_ENGINE_SOURCES
  engine/auxfiles.cpp
  engine/concentration.cpp
  engine/diagnostics.cpp
  engine/fft.cpp
  engine/fprob.cpp
  engine/harmonic.cpp
  engine/mwc2.cpp
  engine/pipeline.cpp
  engine/patterson_table.cpp
  engine/reperr.cpp
  engine/tapers.cpp
  engine/trieig.cpp
)

# core, one list per library (core/CMakeLists.txt).
set(TONALITH_CORE_IO_SOURCES
  core/io/AtomicFile.cpp
  core/io/Folders.cpp
)
set(TONALITH_CORE_TEXT_SOURCES
  core/text/NumberText.cpp
)
set(TONALITH_CORE_SERIES_SOURCES
  core/series/SeriesFile.cpp
  core/series/Preparation.cpp
)
set(TONALITH_CORE_ANALYSIS_SOURCES
  core/analysis/ParameterCatalogue.cpp
  core/analysis/RunParameters.cpp
  core/analysis/RunPreparation.cpp
)
set(TONALITH_CORE_RESULTS_SOURCES
  core/results/ResultSet.cpp
  core/results/HeaderBlock.cpp
  core/results/ResultFiles.cpp
  core/results/ResultGrids.cpp
  core/results/MapVariant.cpp
  core/results/FalseDiscovery.cpp
  core/results/ChanceLines.cpp
  core/results/ColourMaps.cpp
  core/results/ResultTables.cpp
)
set(TONALITH_CORE_SPECTRUM_SOURCES
  core/spectrum/ExpectedPower.cpp
  core/spectrum/MultitaperSpectrum.cpp
  core/spectrum/RedNoise.cpp
  core/spectrum/SlepianTapers.cpp
  core/spectrum/WholeRecord.cpp
  core/spectrum/WholeRecordFile.cpp
)
set(TONALITH_CORE_TUNING_SOURCES
  core/tuning/LineTrace.cpp
  core/tuning/AgeModel.cpp
  core/tuning/TraceFile.cpp
  core/tuning/FrequencyInterval.cpp
  core/tuning/PiecewiseLinear.cpp
  core/tuning/SedimentationRate.cpp
  core/tuning/RowDraws.cpp
  core/tuning/RowIntervals.cpp
  core/tuning/Anchors.cpp
  core/tuning/AgeEnsemble.cpp
  core/tuning/AgeBandText.cpp
  core/tuning/Hiatus.cpp
  core/tuning/NeighbourReadings.cpp
  core/tuning/WindowChange.cpp
  core/tuning/RowScatter.cpp
)
set(TONALITH_CORE_ASTRO_SOURCES
  core/astro/AstroProblem.cpp
  core/astro/Fft.cpp
  core/astro/BandPass.cpp
  core/astro/Targets.cpp
  core/astro/TargetsAtAge.cpp
  core/astro/Workers.cpp
  core/astro/RateScanner.cpp
  core/astro/RatePosterior.cpp
  core/astro/TimeOpt.cpp
  core/astro/AstroFiles.cpp
  core/astro/TestReading.cpp
  core/astro/SpectralMisfit.cpp
  core/astro/CycleIdentity.cpp
  core/astro/TraceReading.cpp
  core/astro/TrackFlags.cpp
  core/astro/TrackCheck.cpp
  core/astro/EvolutiveMap.cpp
)
set(TONALITH_CORE_SERVICE_SOURCES
  core/service/AnalysisService.cpp
  core/service/CycleReadings.cpp
)
set(TONALITH_CORE_UNITS_SOURCES
  core/units/RecordUnits.cpp
)

# The command-line tool's options and help (no Qt; the fuzz build takes them too), and its
# commands.
set(TONALITH_CLI_OPTIONS_SOURCES
  cli/CliOptions.cpp
  cli/OptionRules.cpp
  cli/OptionGroups.cpp
  cli/CommandHelp.cpp
  cli/AnalyzeCommandLine.cpp
  cli/PeaksCommandLine.cpp
  cli/SpectrumCommandLine.cpp
  cli/TraceCommandLine.cpp
  cli/TuneCommandLine.cpp
  cli/TapersCommandLine.cpp
  cli/FilterCommandLine.cpp
  cli/TimeOptCommandLine.cpp
  cli/ETimeOptCommandLine.cpp
  cli/MisfitCommandLine.cpp
)
set(TONALITH_CLI_COMMAND_SOURCES
  cli/AnalyzeCommand.cpp
  cli/Figures.cpp
  cli/OffscreenApplication.cpp
  cli/SpectrumCommand.cpp
  cli/TapersCommand.cpp
  cli/TuneCommands.cpp
  cli/TuneWriting.cpp
  cli/AstroCommands.cpp
)

# The Python module's extension tonalith._core.
set(TONALITH_PYTHON_SOURCES
  python/extension/CoreModule.cpp
  python/extension/CatalogueBinding.cpp
  python/extension/AnalysisResult.cpp
  python/extension/AnalyzeFunction.cpp
  python/extension/AnalysisRuns.cpp
  python/extension/AstroArguments.cpp
  python/extension/BandpassFunction.cpp
  python/extension/EnsembleArguments.cpp
  python/extension/ETimeOptFunction.cpp
  python/extension/MisfitFunction.cpp
  python/extension/InterruptibleRun.cpp
  python/extension/LoadFunction.cpp
  python/extension/Refusals.cpp
  python/extension/SeriesArguments.cpp
  python/extension/SedrateFunction.cpp
  python/extension/SpectrumFunction.cpp
  python/extension/TapersFunction.cpp
  python/extension/TimeOptFunction.cpp
  python/extension/TuneFunction.cpp
  python/extension/TuningArguments.cpp
)

# Every core library's list, for the builds that take all of core.
set(TONALITH_CORE_SOURCES
  ${TONALITH_CORE_IO_SOURCES} ${TONALITH_CORE_TEXT_SOURCES} ${TONALITH_CORE_SERIES_SOURCES}
  ${TONALITH_CORE_ANALYSIS_SOURCES} ${TONALITH_CORE_RESULTS_SOURCES}
  ${TONALITH_CORE_SPECTRUM_SOURCES} ${TONALITH_CORE_TUNING_SOURCES}
  ${TONALITH_CORE_ASTRO_SOURCES} ${TONALITH_CORE_SERVICE_SOURCES}
  ${TONALITH_CORE_UNITS_SOURCES}
)
