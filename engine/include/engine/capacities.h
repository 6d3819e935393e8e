// Fixed capacities of the engine's static storage. They are the hard limits of one analysis:
// every array is sized by them once for the life of the process.
#pragma once

#include <cstdint>

namespace engine {

constexpr int NMAX = 524288;           // series length, window length, taper rows
constexpr int NFMAX = 1048576;         // transform length
constexpr int KMAX = 10;               // number of tapers
constexpr int NBINMAX = NFMAX / 2 + 1; // per-bin arrays: frequencies 0 .. Nyquist

} // namespace engine
