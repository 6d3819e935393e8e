// Constants of the taper computation, each the stated decimal rounded to binary128 (not the
// constant to full binary128 precision): the tapers are defined with these values.
#pragma once

#include "engine/quad.h"

namespace engine {

inline const quad taperTwoPi = 6.283185307179586Q;
inline const quad taperSqrt2 = 1.4142135623731Q;
inline const quad taperThreeOverPi = 3.0Q / 3.141592653589793238Q;

} // namespace engine
