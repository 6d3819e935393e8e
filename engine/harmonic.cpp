#include "engine/harmonic.h"

#include "engine/fft.h"

namespace engine {

namespace {

// Column k of yk, as doubles.
double* column(double* yk, int nfdim, int k) {
    return yk + 2L * nfdim * k;
}
const double* column(const double* yk, int nfdim, int k) {
    return yk + 2L * nfdim * k;
}

void transform(int nfft, double* data, double* fftWork) {
    if (nfft == 1)
        return;
    const long n2 = 2L * nfft;
    cfftf1(nfft, data, fftWork, fftWork + n2, fftWork + 2 * n2);
}

} // namespace

void eigcoef(int npts, int nfft, int kspec, const double* x, int ndim, const double* taperd,
             double* fftWork, int nfdim, double* yk) {
    const int filled = npts < nfft ? npts : nfft;
    int k = 0;
    for (; k + 1 < kspec; k += 2) {
        // Two real sequences in one complex transform: a = x v_k, b = x v_{k+1}.
        double* z = column(yk, nfdim, k);
        double* b = column(yk, nfdim, k + 1);
        const double* va = taperd + static_cast<long>(k) * ndim;
        const double* vb = taperd + static_cast<long>(k + 1) * ndim;
        for (int t = 0; t < filled; ++t) {
            z[2 * t] = x[t] * va[t];
            z[2 * t + 1] = x[t] * vb[t];
        }
        for (long t = 2L * filled; t < 2L * nfft; ++t)
            z[t] = 0.0;
        transform(nfft, z, fftWork);

        // Separate: A(j) = (Z(j) + conj Z(m)) / 2, B(j) = (Z(j) - conj Z(m)) / 2i, m = nfft - j.
        b[0] = z[1];
        b[1] = 0.0;
        z[1] = 0.0;
        for (int j = 1; j <= nfft / 2; ++j) {
            const int m = nfft - j;
            const double zr = z[2 * j];
            const double zi = z[2 * j + 1];
            const double mr = z[2 * m];
            const double mi = z[2 * m + 1];
            b[2 * j] = 0.5 * (mi + zi);
            b[2 * j + 1] = -0.5 * (zr - mr);
            z[2 * j] = 0.5 * (zr + mr);
            z[2 * j + 1] = 0.5 * (zi - mi);
        }
    }
    if (k < kspec) {
        double* z = column(yk, nfdim, k);
        const double* v = taperd + static_cast<long>(k) * ndim;
        for (int t = 0; t < filled; ++t) {
            z[2 * t] = x[t] * v[t];
            z[2 * t + 1] = 0.0;
        }
        for (long t = 2L * filled; t < 2L * nfft; ++t)
            z[t] = 0.0;
        transform(nfft, z, fftWork);
    }
}

quad taperSums(int npts, int kspec, int ndim, const quad* tapers, quad* U) {
    quad S = 0;
    for (int k = 0; k < kspec; ++k) {
        const quad* v = tapers + static_cast<long>(k) * ndim;
        quad sum = 0;
        for (int t = 0; t < npts; ++t)
            sum = sum + v[t];
        U[k] = sum;
    }
    for (int k = 0; k < kspec; ++k)
        S = S + U[k] * U[k];
    return S;
}

void harmonicBins(int nb, int kspec, const quad* U, quad S, int nfdim, const double* yk, double* F,
                  quad* mu) {
    if (nb < 1)
        return;
    const quad R = 1 / S;
    const quad C = static_cast<quad>(static_cast<double>(kspec - 1)) * S;
    quad yr[16];
    quad yi[16];
    for (int i = 0; i < nb; ++i) {
        quad sr = 0;
        quad si = 0;
        for (int k = 0; k < kspec; ++k) {
            const double* y = column(yk, nfdim, k) + 2L * i;
            yr[k] = y[0];
            yi[k] = y[1];
            sr = sr + yr[k] * U[k];
            si = si + yi[k] * U[k];
        }
        const quad mur = sr * R;
        const quad mui = si * R;
        // Squared magnitudes formed directly: the transforms are doubles, so their squares
        // cannot overflow binary128, and no square root is needed.
        quad E = 0;
        for (int k = 0; k < kspec; ++k) {
            const quad dr = yr[k] - U[k] * mur;
            const quad di = yi[k] - U[k] * mui;
            E = E + (dr * dr + di * di);
        }
        F[i] = static_cast<double>((mur * mur + mui * mui) * C / E);
        mu[2 * i] = mur;
        mu[2 * i + 1] = mui;
    }
}

void harmft(int npts, int nf, int kspec, int ndim, const quad* tapers, int nfdim, const double* yk,
            quad* scratch, double* F, quad* mu) {
    for (int k = 0; k < kspec; ++k)
        scratch[k] = 0;
    const quad S = taperSums(npts, kspec, ndim, tapers, scratch);
    harmonicBins(nf, kspec, scratch, S, nfdim, yk, F, mu);
}

} // namespace engine
