// tonalith-cli tapers: one set of Slepian tapers with their concentration ratios.
#include "cli/Commands.h"
#include "core/io/AtomicFile.h"

#include "core/service/AnalysisService.h"
#include "core/text/NumberText.h"

#include <string>

namespace cli {

int runTapers(const TapersOptions& o) {
    const int N = o.length, K = o.tapers;
    if (const auto problem = spectrum::checkTapers(N, K, o.tbw)) {
        using analysis::ParameterId;
        const std::string value = problem->argument == ParameterId::TaperLength ? std::to_string(N)
                                  : problem->argument == ParameterId::TaperCount
                                      ? std::to_string(K)
                                      : text::exactNumber(o.tbw);
        complain(analysis::parameter(problem->argument).flag + (" " + value) + ": " +
                 problem->text);
        return EXIT_BAD_INPUT;
    }
    std::string why;
    io::AtomicFile out;
    if (!out.open(o.output, &why)) {
        complain(why);
        return EXIT_BAD_INPUT;
    }

    service::Execution execution;
    execution.diagnostics = stderr;
    const spectrum::TaperSet t = service::computeTapers(N, K, o.tbw, execution);
    if (t.status != 0) {
        complain("the tapers could not be computed (status " + std::to_string(t.status) + ")");
        return EXIT_ANALYSIS_FAILED;
    }

    std::string text = "k\tlambda\tone_minus_lambda\n";
    for (int k = 0; k < K; ++k)
        text += std::to_string(k + 1) + "\t" + text::exactNumber(t.ratios[k]) + "\t" +
                text::exactNumber(t.oneMinusRatios[k]) + "\n";
    text += "\nn";
    for (int k = 0; k < K; ++k)
        text += "\ttaper_" + std::to_string(k + 1);
    text += "\n";
    for (int n = 0; n < N; ++n) {
        text += std::to_string(n + 1);
        for (int k = 0; k < K; ++k)
            text += "\t" + text::exactNumber(t.tapers[static_cast<std::size_t>(k) * N + n]);
        text += "\n";
    }
    if (!out.write(text) || !out.commit(&why)) {
        complain(why);
        return EXIT_ANALYSIS_FAILED;
    }
    return 0;
}

} // namespace cli
