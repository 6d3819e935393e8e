// Calibration of the chance statement of the lines (peaks command header, window detail): the
// lines per window white noise gives at the F-test levels 0.90, 0.95 and 0.99, counted as the
// tool counts them (core's findPeaks on the engine's map of windows that do not overlap),
// against what expectedChanceLines states.
//   calibrate_chance_lines [WINDOWS [FMAX]]
// WINDOWS per case (10000 by default), FMAX the highest frequency kept in cycles per sample
// (0.5 by default). Cases: windows of 100, 400 and 1000 samples, the default transform length
// and 8 times the window, 2 to 7 tapers, time-bandwidth 3. The engine writes its records into
// the working directory, so the driver runs in a directory of its own under the system's
// temporary one. Fixed seeds; two worker threads.
#include "core/analysis/ParameterCatalogue.h"
#include "core/results/ChanceLines.h"
#include "core/results/FalseDiscovery.h"
#include "core/results/ResultSet.h"
#include "core/service/AnalysisService.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

namespace {

constexpr double kLevels[] = {0.90, 0.95, 0.99};
constexpr int kMaxSamples = 524288; // what one run of the engine holds

// Mean lines per window at each level over `windows` windows of white noise.
std::vector<double> observed(const analysis::RunParameters& p, int windows) {
    std::vector<double> lines(std::size(kLevels), 0.0);
    std::mt19937_64 rng(1000 * p.window + 10 * p.tapers + (p.nfft == 4096));
    std::normal_distribution<double> e;
    int done = 0;
    while (done < windows) {
        const int count = std::min(windows - done, kMaxSamples / p.window);
        const int n = count * p.window;
        series::Series s;
        for (int t = 0; t < n; ++t) {
            s.xpos.push_back(t);
            s.yval.push_back(e(rng));
        }
        results::ResultSet r;
        r.provenance.params = p;
        r.provenance.samples = n;
        service::RunControl control;
        service::Execution quiet;
        quiet.quiet = true;
        quiet.workers = 2;
        const service::RunOutcome o = service::analyseMap(s, r, control, quiet);
        if (!o.finished()) {
            std::fprintf(stderr, "run failed: %s\n", o.problem.c_str());
            std::exit(1);
        }
        for (int w = 0; w < r.windows; ++w)
            for (std::size_t l = 0; l < std::size(kLevels); ++l)
                lines[l] += static_cast<double>(results::findPeaks(r, w, kLevels[l]).size());
        done += r.windows;
    }
    for (double& v : lines)
        v /= done;
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    const int windows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const double fmax = argc > 2 ? std::atof(argv[2]) : 0.5;
    const auto dir = std::filesystem::temp_directory_path() / "tonalith-chance-lines";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    std::printf("# %d windows of white noise per case, fmax %g cycles per sample, tbw 3\n", windows,
                fmax);
    std::printf("window\tnfft\ttapers\tlevel\tstated\tobserved\tobserved/stated\n");
    const int defaultNfft =
        static_cast<int>(analysis::parameterDefault(analysis::ParameterId::Nfft));
    for (const int window : {100, 400, 1000})
        for (const int nfft : {defaultNfft, 8 * window})
            for (int tapers = 2; tapers <= 7; ++tapers) {
                analysis::RunParameters p;
                p.tbw = 3;
                p.tapers = tapers;
                p.window = window;
                p.step = window;
                p.nfft = nfft;
                p.fmax = fmax;
                const std::vector<double> seen = observed(p, windows);
                for (std::size_t l = 0; l < std::size(kLevels); ++l) {
                    const double stated = results::expectedChanceLines(p, kLevels[l]);
                    std::printf("%d\t%d\t%d\t%.2f\t%.3f\t%.3f\t%.3f\n", window, nfft, tapers,
                                kLevels[l], stated, seen[l], seen[l] / stated);
                }
                std::fflush(stdout);
            }
    return 0;
}
