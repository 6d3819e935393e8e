// The F-test probabilities at which the map draws its contours and the window spectrum its
// level lines, and the default level a spectral line must reach.
#pragma once

#include <array>

namespace results {

inline constexpr std::array<double, 4> significanceLevels = {0.8, 0.9, 0.95, 0.99};
inline constexpr double defaultLineLevel = 0.95;

} // namespace results
