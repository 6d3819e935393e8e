// Slepian tapers from the two half-problems of the commuting tridiagonal matrix.
#include "engine/tapers.h"

#include "engine/taper_constants.h"
#include "engine/trieig.h"

#include <cstdint>

namespace engine {

void halfMatrix(int N, int s, int m, quad cw, quad* d, quad* e, quad* e2) {
    const quad c = static_cast<quad>(N - 1) * 0.5Q;
    for (int i = 0; i < m; ++i) {
        const int j = i;
        const quad cj = c - static_cast<quad>(j);
        d[i] = cj * cj * cw;
        // j (N - j) formed exactly in 64-bit integers, then halved.
        e[i] = static_cast<quad>(static_cast<std::int64_t>(j) * (N - j)) * 0.5Q;
        e2[i] = e[i] * e[i];
    }
    if (N % 2 == 0) {
        // The centre coupling, added with the parity's sign.
        const quad coupling = static_cast<quad>(static_cast<std::int64_t>(m) * (N - m)) * 0.5Q;
        d[m - 1] = d[m - 1] + static_cast<quad>(s) * coupling;
    } else if (s > 0) {
        // Odd N, symmetric half: the last row is the centre sample, coupled by root two. The
        // square is taken of the scaled element itself: doubling the old square would differ
        // from it by the constant's 14-digit error, and inverse iteration, which uses e,
        // would then never converge on the eigenvalue that bisection found from e2.
        e[m - 1] = e[m - 1] * taperSqrt2;
        e2[m - 1] = e[m - 1] * e[m - 1];
    }
}

int dpsshalf(int ndim, int N, int s, int m, int nev, bool centreZero, quad cw, quad* v, quad* eig,
             quad* work, int* itag) {
    // Layout of the scratch: eigenvectors (m x nev), eigenvalues, matrix, solver vectors.
    quad* z = work;
    quad* w = z + static_cast<long>(m) * nev;
    quad* d = w + nev;
    quad* e = d + m;
    quad* e2 = e + m;
    const TrieigScratch scratch{e2 + m,      e2 + 2L * m, e2 + 3L * m, e2 + 4L * m,
                                e2 + 5L * m, e2 + 6L * m, itag};

    halfMatrix(N, s, m, cw, d, e, e2);

    int status = 0;
    const int found = trieig(m, d, e, e2, nev, w, z, scratch, status);
    if (found == 0)
        return status;

    const bool oddN = N % 2 != 0;
    if (oddN && s > 0)
        for (int r = 0; r < nev; ++r)
            z[static_cast<long>(r) * m + (m - 1)] *= taperSqrt2;

    const int after = (N + 1) / 2; // 0-based index of the first sample after the midpoint
    for (int r = 0; r < nev; ++r) {
        const int src = nev - 1 - r; // largest eigenvalue first
        const int col = s > 0 ? 2 * r : 2 * r + 1;
        const quad* x = z + static_cast<long>(src) * m;
        quad* vk = v + static_cast<long>(col) * ndim;
        eig[col] = w[src];
        for (int i = 0; i < m; ++i) {
            vk[i] = x[i];
            vk[N - 1 - i] = s > 0 ? x[i] : -x[i];
        }
        if (centreZero)
            vk[m] = 0;
        quad energy = 0;
        for (int n = 0; n < N; ++n)
            energy = energy + vk[n] * vk[n];
        quad g = 1 / sqrtq(energy);
        if (after < N && vk[after] < 0)
            g = -g;
        for (int n = 0; n < N; ++n)
            vk[n] = vk[n] * g;
    }
    return status;
}

namespace {
thread_local const std::atomic<bool>* stopFlag = nullptr;
}

void setTaperStopFlag(const std::atomic<bool>* flag) {
    stopFlag = flag;
}

bool taperStopRequested() {
    return stopFlag && stopFlag->load(std::memory_order_relaxed);
}

void dpss(int ndim, int N, int K, quad W, quad* v, quad* eig, int& iflag, quad* work, int* itag) {
    const quad cw = cosq(W * taperTwoPi);
    iflag = 0;
    const int symmetric =
        dpsshalf(ndim, N, +1, (N + 1) / 2, (K + 1) / 2, false, cw, v, eig, work, itag);
    if (symmetric != 0)
        iflag = symmetric;
    if (K >= 2) {
        const int anti = dpsshalf(ndim, N, -1, N / 2, K / 2, N % 2 != 0, cw, v, eig, work, itag);
        if (anti != 0 && iflag == 0)
            iflag = anti;
    }
}

} // namespace engine
