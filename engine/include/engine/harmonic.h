// Tapered transforms of one window and Thomson's harmonic F-test (D. J. Thomson, Spectrum
// estimation and harmonic analysis, Proc. IEEE 70, 1982, sec. XIII).
//
// For taper v_k and window x(t), t = 0..npts-1, the tapered transform is
//   y_k(j) = sum_t x(t) v_k(t) exp(-2 pi i j t / nfft),   j = 0..nfft-1 (unnormalised).
// With U_k = sum_t v_k(t), the line mean at bin j is mu = sum_k y_k U_k / sum_k U_k^2, and
//   F = (K - 1) |mu|^2 sum_k U_k^2 / sum_k |y_k - U_k mu|^2
// has the F distribution with 2 and 2K - 2 degrees of freedom when no line is present.
// The driver reports the amplitude 2|mu| (unit of x) and the probability of F.
//
// Arrays: tapers column-major with leading dimension ndim (taper k at k * ndim); transforms
// yk as complex doubles (re, im), column-major with leading dimension nfdim complex values.
#pragma once

#include "engine/quad.h"

namespace engine {

// Tapered transforms of the window x into columns 0..kspec-1 of yk. Pairs of tapers share one
// complex transform; an odd last taper is transformed alone. taperd holds the tapers rounded
// to double (the products x(t) v_k(t) are double products). fftWork must be initialised for
// nfft (see fft.h) unless nfft = 1.
void eigcoef(int npts, int nfft, int kspec, const double* x, int ndim, const double* taperd,
             double* fftWork, int nfdim, double* yk);

// U_k = sum_t v_k(t) in quad into U[0..kspec-1]; returns S = sum_k U_k^2.
quad taperSums(int npts, int kspec, int ndim, const quad* tapers, quad* U);

// F statistic (rounded once to double) and line mean mu (quad, re and im interleaved) of bins
// 0..nb-1, from the first nb rows of the transforms. All sums in quad.
void harmonicBins(int nb, int kspec, const quad* U, quad S, int nfdim, const double* yk, double* F,
                  quad* mu);

// The whole harmonic F-test of one window: taperSums into scratch, then bins 0..nf-1.
void harmft(int npts, int nf, int kspec, int ndim, const quad* tapers, int nfdim, const double* yk,
            quad* scratch, double* F, quad* mu);

} // namespace engine
