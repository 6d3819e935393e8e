// Complex forward discrete Fourier transform of any length, in place, double precision:
// Swarztrauber's mixed-radix algorithm in the form of FFTPACK's complex forward transform
// (P. N. Swarztrauber, "Vectorizing the FFTs", in Parallel Computations, 1982).
//
// out(j) = sum_{t=0..n-1} in(t) exp(-2 pi i j t / n), j = 0..n-1, unnormalised.
// Data: n complex values as 2n doubles (re, im). Work area: 4n + 15 doubles,
//   [0, 2n)        scratch for n complex values,
//   [2n, 4n)       twiddle table (n complex values),
//   [4n, 4n + 15)  factor table as doubles: n, number of factors, factors in pass order.
#pragma once

namespace engine {

constexpr int FFT_FACTOR_SLOTS = 15;

// Fills the twiddle and factor tables of `work` for length n. Nothing for n = 1.
void fftinit(int n, double* work);

// Replaces data (2n doubles) by its transform; work must be initialised for the same n.
void fftfwd(int n, double* data, double* work);

// Transform core: one radix pass per factor, alternating between data and scratch.
void cfftf1(int n, double* c, double* ch, const double* wa, const double* ifac);

} // namespace engine
