// tonalith-cli tapers: one set of Slepian tapers with their concentration ratios.
#include "cli/Commands.h"
#include "core/io/AtomicFile.h"

#include "engine/capacities.h"
#include "engine/diagnostics.h"
#include "engine/tapers.h"

#include <cmath>
#include <vector>

namespace cli {

int runTapers(const TapersOptions& o) {
    const int N = o.length;
    if (N < 2 || N > engine::NMAX) {
        complain("--length " + std::to_string(N) + ": the taper length must lie in 2 .. " +
                 std::to_string(engine::NMAX));
        return EXIT_BAD_INPUT;
    }
    const int kmax = std::min(engine::KMAX, N);
    if (o.tapers < 1 || o.tapers > kmax) {
        complain("--tapers " + std::to_string(o.tapers) +
                 ": the number of tapers must lie in 1 .. " + std::to_string(kmax));
        return EXIT_BAD_INPUT;
    }
    const double W = o.tbw * (1.0 / N);
    if (!std::isfinite(o.tbw) || !(W > 0 && W < 0.5)) {
        complain("--tbw " + engine::formatDouble(o.tbw) +
                 ": the time-bandwidth product must lie above 0 and below " +
                 engine::formatDouble(N / 2.0) + " (half the length)");
        return EXIT_BAD_INPUT;
    }
    std::string why;
    io::AtomicFile out;
    if (!out.open(o.output, &why)) {
        complain(why);
        return EXIT_BAD_INPUT;
    }

    const int K = o.tapers;
    std::vector<engine::quad> v(static_cast<std::size_t>(N) * K), eig(K);
    std::vector<engine::quad> lambda(K), oneMinusLambda(K);
    std::vector<engine::quad> work(engine::dpssWorkQuads(N));
    std::vector<int> itag(N / 2 + 1);
    int iflag = 0;
    engine::setDiagnosticStream(stderr);
    engine::dpss(N, N, K, static_cast<engine::quad>(W), v.data(), eig.data(), iflag, work.data(),
                 itag.data());
    engine::dpssev(N, N, K, static_cast<engine::quad>(W), engine::DPSSEV_RELTOL,
                   engine::DPSSEV_ABSTOL, v.data(), lambda.data(), oneMinusLambda.data());
    engine::setDiagnosticStream(nullptr);
    if (iflag != 0) {
        complain("the tapers could not be computed (status " + std::to_string(iflag) + ")");
        return EXIT_ANALYSIS_FAILED;
    }

    auto num = [](engine::quad q) { return engine::formatDouble(static_cast<double>(q)); };
    std::string text = "k\tlambda\tone_minus_lambda\n";
    for (int k = 0; k < K; ++k)
        text +=
            std::to_string(k + 1) + "\t" + num(lambda[k]) + "\t" + num(oneMinusLambda[k]) + "\n";
    text += "\nn";
    for (int k = 0; k < K; ++k)
        text += "\ttaper_" + std::to_string(k + 1);
    text += "\n";
    for (int n = 0; n < N; ++n) {
        text += std::to_string(n + 1);
        for (int k = 0; k < K; ++k)
            text += "\t" + num(v[static_cast<std::size_t>(k) * N + n]);
        text += "\n";
    }
    if (!out.write(text) || !out.commit(&why)) {
        complain(why);
        return EXIT_ANALYSIS_FAILED;
    }
    return 0;
}

} // namespace cli
