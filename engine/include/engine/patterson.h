// Patterson's nested quadrature rules on [-1, 1] (3, 7, 15, 31, 63, 127 and 255 points),
// laid out stage by stage for the integrator in concentration.cpp.
// T. N. L. Patterson, The optimum addition of points to quadrature formulae,
// Math. Comp. 22 (1968) 847-856; 20 significant digits, rounded to binary128.
//
// Stage i = 2..8 adds p_i = 2^(i-2) abscissae x > 0, used as pairs c +- h x: node entries
// p_i-1 .. 2p_i-2 (0-based). With P_i = 2^(i-1) - 1 pairs after stage i, weight entries
// P_i-1 .. 2P_i-2 weigh the pairs and entry 2P_i-1 the centre.
#pragma once

#include "engine/quad.h"

namespace engine {

extern const quad pattersonNodes[127];
extern const quad pattersonWeights[254];

// The decimal strings the constants were made from, kept for the table's own checks.
extern const char* const pattersonNodeText[127];
extern const char* const pattersonWeightText[254];

} // namespace engine
