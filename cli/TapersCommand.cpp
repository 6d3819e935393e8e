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

    const std::string text = spectrum::taperText(t, N, K);
    if (!out.write(text) || !out.commit(&why)) {
        complain(why);
        return EXIT_ANALYSIS_FAILED;
    }
    return 0;
}

} // namespace cli
