// A front end's source that reaches for an engine header: it must not compile (the test
// layers.engine_hidden in tests/CMakeLists.txt), since the engine is core's private part.
#include "core/analysis/RunParameters.h"
#include "engine/capacities.h"

int frontEndSamples() {
    return engine::NMAX + analysis::maxSamples;
}
