// tapers(): Slepian tapers and their concentration ratios.
#include "rpackage/Interface.h"

#include "core/spectrum/SlepianTapers.h"
#include "core/text/NumberText.h"

using rpackage::Arguments;

// [[Rcpp::export(name = ".tapers")]]
SEXP tapersOf(Rcpp::List args) {
    return rpackage::guarded([&]() -> SEXP {
        const Arguments a(args);
        const int n = a.whole("n"), k = a.whole("k");
        const double tbw = a.real("tbw");
        if (const auto problem = spectrum::checkTapers(n, k, tbw)) {
            using analysis::ParameterId;
            const std::string value =
                problem->argument == ParameterId::TaperLength  ? std::to_string(n)
                : problem->argument == ParameterId::TaperCount ? std::to_string(k)
                                                               : text::exactNumber(tbw);
            const std::string& name = analysis::parameter(problem->argument).keyword;
            rpackage::refuse(name, value + ": " + problem->text);
        }
        service::Execution quiet; // the taper warnings would clutter the console
        quiet.quiet = true;
        const spectrum::TaperSet t = service::computeTapers(n, k, tbw, quiet);
        if (t.status != 0)
            throw std::runtime_error("the tapers could not be computed (status " +
                                     std::to_string(t.status) + ")");
        return rpackage::tables(spectrum::taperText(t, n, k));
    });
}
