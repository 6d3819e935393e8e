// The wording of refusals for Python: the argument at fault named as the module spells it.
#pragma once

#include "core/analysis/RunPreparation.h"

#include <string>

namespace pymodule {

// The keyword (or the arrays) a refusal of the run preparation is about, in the catalogue's
// spelling.
std::string keywordOf(const analysis::Problem& problem);

// A load refusal worded as the tool words it, "--column" becoming "column".
std::string loadRefusal(const analysis::Problem& problem, const std::string& file,
                        const std::string& column);

} // namespace pymodule
