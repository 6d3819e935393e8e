// Slepian (discrete prolate spheroidal) tapers and their concentration ratios, in binary128.
//
// The tapers are the eigenvectors of Slepian's commuting symmetric tridiagonal matrix
// (D. Slepian, Prolate spheroidal wave functions V, Bell Syst. Tech. J. 57, 1978), split into
// its symmetric and antisymmetric halves (Percival and Walden, Spectral Analysis for Physical
// Applications, 1993, ch. 8). The concentration ratios lambda_k are integrals of each taper's
// spectral window over [-W, W], evaluated with Patterson's nested quadrature.
//
// Conventions: N samples, W half-bandwidth in cycles per sample (0 < W < 1/2), K tapers.
// Taper arrays are column-major with leading dimension ndim, 0-based: taper k (0-based) holds
// v[k * ndim + n], n = 0..N-1. Taper 1 is the most concentrated; odd-numbered tapers are
// symmetric, even-numbered ones antisymmetric; each has unit energy and a non-negative first
// sample after the midpoint, v(ceil(N/2) + 1) in 1-based terms.
#pragma once

#include "engine/capacities.h"
#include "engine/quad.h"

#include <atomic>

namespace engine {

// A flag the taper routines read in their long loops, for the calling thread (null: none):
// once it is true they stop early and dpss reports TAPERS_STOPPED, so that a run can be
// stopped while the tapers of a long window are being computed.
void setTaperStopFlag(const std::atomic<bool>* flag);
bool taperStopRequested();
constexpr int TAPERS_STOPPED = 3;

// Quads of taper scratch needed for tapers of length up to NMAX: the larger half-problem's
// eigenvectors, eigenvalues, matrix and solver vectors.
constexpr long dpssWorkQuads(int N) {
    return static_cast<long>(KMAX / 2 + 10) * (N / 2 + 1) + KMAX;
}
constexpr long DPSS_WORK_QUADS = dpssWorkQuads(NMAX);

// The K tapers of length N into v, the tridiagonal eigenvalue of each into eig. iflag is 0 on
// success, 1 when a half-problem's eigenvalue range could not be isolated, 2 when inverse
// iteration did not converge. work holds DPSS_WORK_QUADS quads; itag holds NMAX/2 + 1 ints.
void dpss(int ndim, int N, int K, quad W, quad* v, quad* eig, int& iflag, quad* work, int* itag);

// Tolerances of the concentration ratios' quadrature: it stops when two successive Patterson
// estimates differ by less than DPSSEV_RELTOL of the estimate, or by less than DPSSEV_ABSTOL.
constexpr quad DPSSEV_RELTOL = 1.0e-8Q;
constexpr quad DPSSEV_ABSTOL = 1.0e-14Q;

// Concentration ratios lambda_k of the K tapers in v into evalu, and 1 - lambda_k into
// evalu1m (computed from the out-of-band energy when the subtraction rounds to 0 or less).
// Writes a warning line to the diagnostic stream when a quadrature does not converge.
void dpssev(int ndim, int N, int K, quad W, quad reltol, quad abstol, const quad* v, quad* evalu,
            quad* evalu1m);

// Slepian's tridiagonal matrix for one half (m rows, parity s): diagonal d, off-diagonal e
// (e[i] couples rows i-1 and i) and its squares e2. cw = cos(2 pi W).
void halfMatrix(int N, int s, int m, quad cw, quad* d, quad* e, quad* e2);

// One half-problem of parity s (+1 symmetric, -1 antisymmetric) with m rows and nev tapers;
// fills taper columns of that parity and their eig entries. Returns the trieig status.
int dpsshalf(int ndim, int N, int s, int m, int nev, bool centreZero, quad cw, quad* v, quad* eig,
             quad* work, int* itag);

// Patterson's nested quadrature of the spectral window of one taper over [a, b]. Fills the
// eight stage estimates; returns the 1-based index of the estimate to use. `converged` is
// false when the last two estimates still differ by more than the tolerance, or a == b.
int dgqif(quad a, quad b, quad reltol, quad abstol, const quad* taper, int N, quad estimates[8],
          bool& converged);

// Spectral window |sum_n v(n) exp(-i 2 pi f n)|^2 of one taper at frequency f (cycles/sample).
quad specwin(quad f, const quad* taper, int N);

} // namespace engine
