// Binary128 floating point for the parts of the engine that need it (mean removal, window
// centre, tapers, F-test sums). GCC's __float128 with libquadmath; arithmetic is in software.
#pragma once

#include <quadmath.h>

namespace engine {

using quad = __float128;

} // namespace engine
