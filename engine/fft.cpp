// Mixed-radix complex FFT (FFTPACK's forward transform). The passes keep FFTPACK's
// 1-based, column-major index expressions through small accessor macros so that every
// operation and its order of evaluation stays that of the algorithm; the build keeps
// floating-point contraction off, so no product is fused into a sum.
#include "engine/fft.h"

#include <cmath>

namespace engine {

namespace {

// 2 pi to 15 digits, as the algorithm has always used it (not the double nearest 2 pi).
constexpr double tpi = 6.28318530717959;

// ---- factorisation and twiddles --------------------------------------------------------

// Trial divisors 3, 4, 2, 5, 7, 9, 11, ...; a factor 2 found after others moves to the front.
int factorize(int n, double* ifac) {
    static constexpr int ntryh[4] = {3, 4, 2, 5};
    int nl = n;
    int nf = 0;
    int j = 0;
    int ntry = 0;
    while (nl != 1) {
        ++j;
        ntry = j <= 4 ? ntryh[j - 1] : ntry + 2;
        while (nl % ntry == 0) {
            nl /= ntry;
            ++nf;
            ifac[nf + 1] = ntry;
            if (ntry == 2 && nf != 1) {
                for (int i = nf; i >= 2; --i)
                    ifac[i + 1] = ifac[i];
                ifac[2] = 2;
            }
            if (nl == 1)
                break;
        }
    }
    ifac[0] = n;
    ifac[1] = nf;
    return nf;
}

// Twiddles by repeated complex multiplication from one complex exponential per factor.
void twiddles(int n, int nf, const double* ifac, double* wa) {
    const double argh = tpi / n;
    int i = 0; // complex entry being written
    int l1 = 1;
    for (int k1 = 0; k1 < nf; ++k1) {
        const int ip = static_cast<int>(ifac[k1 + 2]);
        const int l2 = l1 * ip;
        const int ido = n / l2;
        const double arg = static_cast<double>(l1) * argh;
        const double gr = std::cos(arg);
        const double gi = std::sin(arg);
        double rr = 1.0;
        double ri = 0.0;
        for (int j = 1; j < ip; ++j) {
            const double h = rr;
            const double s = ri;
            rr = h * gr - gi * s;
            ri = h * gi + gr * s;
            const int i1 = i;
            wa[2 * i] = 1.0;
            wa[2 * i + 1] = 0.0;
            for (int ii = 0; ii < ido; ++ii) {
                const double u = wa[2 * i];
                const double v = wa[2 * i + 1];
                ++i;
                wa[2 * i] = rr * u - ri * v;
                wa[2 * i + 1] = rr * v + ri * u;
            }
            if (ip > 5) {
                wa[2 * i1] = wa[2 * i];
                wa[2 * i1 + 1] = wa[2 * i + 1];
            }
        }
        l1 = l2;
    }
}

// ---- radix passes ----------------------------------------------------------------------
// ido counts doubles (twice the complex block length); wa arrays are indexed 1-based.

void passf2(int ido, int l1, const double* cc, double* ch, const double* wa1) {
#define CC(a, b, c) cc[((a)-1) + ido * (((b)-1) + 2 * ((c)-1))]
#define CH(a, b, c) ch[((a)-1) + ido * (((b)-1) + l1 * ((c)-1))]
#define WA1(a) wa1[(a)-1]
    if (ido <= 2) {
        for (int k = 1; k <= l1; ++k) {
            CH(1, k, 1) = CC(1, 1, k) + CC(1, 2, k);
            CH(1, k, 2) = CC(1, 1, k) - CC(1, 2, k);
            CH(2, k, 1) = CC(2, 1, k) + CC(2, 2, k);
            CH(2, k, 2) = CC(2, 1, k) - CC(2, 2, k);
        }
        return;
    }
    for (int k = 1; k <= l1; ++k) {
        for (int i = 2; i <= ido; i += 2) {
            CH(i - 1, k, 1) = CC(i - 1, 1, k) + CC(i - 1, 2, k);
            const double tr2 = CC(i - 1, 1, k) - CC(i - 1, 2, k);
            CH(i, k, 1) = CC(i, 1, k) + CC(i, 2, k);
            const double ti2 = CC(i, 1, k) - CC(i, 2, k);
            CH(i, k, 2) = WA1(i - 1) * ti2 - WA1(i) * tr2;
            CH(i - 1, k, 2) = WA1(i - 1) * tr2 + WA1(i) * ti2;
        }
    }
#undef CC
#undef CH
#undef WA1
}

void passf3(int ido, int l1, const double* cc, double* ch, const double* wa1, const double* wa2) {
#define CC(a, b, c) cc[((a)-1) + ido * (((b)-1) + 3 * ((c)-1))]
#define CH(a, b, c) ch[((a)-1) + ido * (((b)-1) + l1 * ((c)-1))]
#define WA1(a) wa1[(a)-1]
#define WA2(a) wa2[(a)-1]
    constexpr double taur = -0.5;
    constexpr double taui = -0.866025403784439;
    if (ido == 2) {
        for (int k = 1; k <= l1; ++k) {
            const double tr2 = CC(1, 2, k) + CC(1, 3, k);
            const double cr2 = CC(1, 1, k) + taur * tr2;
            CH(1, k, 1) = CC(1, 1, k) + tr2;
            const double ti2 = CC(2, 2, k) + CC(2, 3, k);
            const double ci2 = CC(2, 1, k) + taur * ti2;
            CH(2, k, 1) = CC(2, 1, k) + ti2;
            const double cr3 = taui * (CC(1, 2, k) - CC(1, 3, k));
            const double ci3 = taui * (CC(2, 2, k) - CC(2, 3, k));
            CH(1, k, 2) = cr2 - ci3;
            CH(1, k, 3) = cr2 + ci3;
            CH(2, k, 2) = ci2 + cr3;
            CH(2, k, 3) = ci2 - cr3;
        }
        return;
    }
    for (int k = 1; k <= l1; ++k) {
        for (int i = 2; i <= ido; i += 2) {
            const double tr2 = CC(i - 1, 2, k) + CC(i - 1, 3, k);
            const double cr2 = CC(i - 1, 1, k) + taur * tr2;
            CH(i - 1, k, 1) = CC(i - 1, 1, k) + tr2;
            const double ti2 = CC(i, 2, k) + CC(i, 3, k);
            const double ci2 = CC(i, 1, k) + taur * ti2;
            CH(i, k, 1) = CC(i, 1, k) + ti2;
            const double cr3 = taui * (CC(i - 1, 2, k) - CC(i - 1, 3, k));
            const double ci3 = taui * (CC(i, 2, k) - CC(i, 3, k));
            const double dr2 = cr2 - ci3;
            const double dr3 = cr2 + ci3;
            const double di2 = ci2 + cr3;
            const double di3 = ci2 - cr3;
            CH(i, k, 2) = WA1(i - 1) * di2 - WA1(i) * dr2;
            CH(i - 1, k, 2) = WA1(i - 1) * dr2 + WA1(i) * di2;
            CH(i, k, 3) = WA2(i - 1) * di3 - WA2(i) * dr3;
            CH(i - 1, k, 3) = WA2(i - 1) * dr3 + WA2(i) * di3;
        }
    }
#undef CC
#undef CH
#undef WA1
#undef WA2
}

void passf4(int ido, int l1, const double* cc, double* ch, const double* wa1, const double* wa2,
            const double* wa3) {
#define CC(a, b, c) cc[((a)-1) + ido * (((b)-1) + 4 * ((c)-1))]
#define CH(a, b, c) ch[((a)-1) + ido * (((b)-1) + l1 * ((c)-1))]
#define WA1(a) wa1[(a)-1]
#define WA2(a) wa2[(a)-1]
#define WA3(a) wa3[(a)-1]
    if (ido == 2) {
        for (int k = 1; k <= l1; ++k) {
            const double ti1 = CC(2, 1, k) - CC(2, 3, k);
            const double ti2 = CC(2, 1, k) + CC(2, 3, k);
            const double tr4 = CC(2, 2, k) - CC(2, 4, k);
            const double ti3 = CC(2, 2, k) + CC(2, 4, k);
            const double tr1 = CC(1, 1, k) - CC(1, 3, k);
            const double tr2 = CC(1, 1, k) + CC(1, 3, k);
            const double ti4 = CC(1, 4, k) - CC(1, 2, k);
            const double tr3 = CC(1, 2, k) + CC(1, 4, k);
            CH(1, k, 1) = tr2 + tr3;
            CH(1, k, 3) = tr2 - tr3;
            CH(2, k, 1) = ti2 + ti3;
            CH(2, k, 3) = ti2 - ti3;
            CH(1, k, 2) = tr1 + tr4;
            CH(1, k, 4) = tr1 - tr4;
            CH(2, k, 2) = ti1 + ti4;
            CH(2, k, 4) = ti1 - ti4;
        }
        return;
    }
    for (int k = 1; k <= l1; ++k) {
        for (int i = 2; i <= ido; i += 2) {
            const double ti1 = CC(i, 1, k) - CC(i, 3, k);
            const double ti2 = CC(i, 1, k) + CC(i, 3, k);
            const double ti3 = CC(i, 2, k) + CC(i, 4, k);
            const double tr4 = CC(i, 2, k) - CC(i, 4, k);
            const double tr1 = CC(i - 1, 1, k) - CC(i - 1, 3, k);
            const double tr2 = CC(i - 1, 1, k) + CC(i - 1, 3, k);
            const double ti4 = CC(i - 1, 4, k) - CC(i - 1, 2, k);
            const double tr3 = CC(i - 1, 2, k) + CC(i - 1, 4, k);
            CH(i - 1, k, 1) = tr2 + tr3;
            const double cr3 = tr2 - tr3;
            CH(i, k, 1) = ti2 + ti3;
            const double ci3 = ti2 - ti3;
            const double cr2 = tr1 + tr4;
            const double cr4 = tr1 - tr4;
            const double ci2 = ti1 + ti4;
            const double ci4 = ti1 - ti4;
            CH(i - 1, k, 2) = WA1(i - 1) * cr2 + WA1(i) * ci2;
            CH(i, k, 2) = WA1(i - 1) * ci2 - WA1(i) * cr2;
            CH(i - 1, k, 3) = WA2(i - 1) * cr3 + WA2(i) * ci3;
            CH(i, k, 3) = WA2(i - 1) * ci3 - WA2(i) * cr3;
            CH(i - 1, k, 4) = WA3(i - 1) * cr4 + WA3(i) * ci4;
            CH(i, k, 4) = WA3(i - 1) * ci4 - WA3(i) * cr4;
        }
    }
#undef CC
#undef CH
#undef WA1
#undef WA2
#undef WA3
}

void passf5(int ido, int l1, const double* cc, double* ch, const double* wa1, const double* wa2,
            const double* wa3, const double* wa4) {
#define CC(a, b, c) cc[((a)-1) + ido * (((b)-1) + 5 * ((c)-1))]
#define CH(a, b, c) ch[((a)-1) + ido * (((b)-1) + l1 * ((c)-1))]
#define WA1(a) wa1[(a)-1]
#define WA2(a) wa2[(a)-1]
#define WA3(a) wa3[(a)-1]
#define WA4(a) wa4[(a)-1]
    constexpr double tr11 = 0.309016994374947;
    constexpr double ti11 = -0.951056516295154;
    constexpr double tr12 = -0.809016994374947;
    constexpr double ti12 = -0.587785252292473;
    if (ido == 2) {
        for (int k = 1; k <= l1; ++k) {
            const double ti5 = CC(2, 2, k) - CC(2, 5, k);
            const double ti2 = CC(2, 2, k) + CC(2, 5, k);
            const double ti4 = CC(2, 3, k) - CC(2, 4, k);
            const double ti3 = CC(2, 3, k) + CC(2, 4, k);
            const double tr5 = CC(1, 2, k) - CC(1, 5, k);
            const double tr2 = CC(1, 2, k) + CC(1, 5, k);
            const double tr4 = CC(1, 3, k) - CC(1, 4, k);
            const double tr3 = CC(1, 3, k) + CC(1, 4, k);
            CH(1, k, 1) = CC(1, 1, k) + tr2 + tr3;
            CH(2, k, 1) = CC(2, 1, k) + ti2 + ti3;
            const double cr2 = CC(1, 1, k) + tr11 * tr2 + tr12 * tr3;
            const double ci2 = CC(2, 1, k) + tr11 * ti2 + tr12 * ti3;
            const double cr3 = CC(1, 1, k) + tr12 * tr2 + tr11 * tr3;
            const double ci3 = CC(2, 1, k) + tr12 * ti2 + tr11 * ti3;
            const double cr5 = ti11 * tr5 + ti12 * tr4;
            const double ci5 = ti11 * ti5 + ti12 * ti4;
            const double cr4 = ti12 * tr5 - ti11 * tr4;
            const double ci4 = ti12 * ti5 - ti11 * ti4;
            CH(1, k, 2) = cr2 - ci5;
            CH(1, k, 5) = cr2 + ci5;
            CH(2, k, 2) = ci2 + cr5;
            CH(2, k, 3) = ci3 + cr4;
            CH(1, k, 3) = cr3 - ci4;
            CH(1, k, 4) = cr3 + ci4;
            CH(2, k, 4) = ci3 - cr4;
            CH(2, k, 5) = ci2 - cr5;
        }
        return;
    }
    for (int k = 1; k <= l1; ++k) {
        for (int i = 2; i <= ido; i += 2) {
            const double ti5 = CC(i, 2, k) - CC(i, 5, k);
            const double ti2 = CC(i, 2, k) + CC(i, 5, k);
            const double ti4 = CC(i, 3, k) - CC(i, 4, k);
            const double ti3 = CC(i, 3, k) + CC(i, 4, k);
            const double tr5 = CC(i - 1, 2, k) - CC(i - 1, 5, k);
            const double tr2 = CC(i - 1, 2, k) + CC(i - 1, 5, k);
            const double tr4 = CC(i - 1, 3, k) - CC(i - 1, 4, k);
            const double tr3 = CC(i - 1, 3, k) + CC(i - 1, 4, k);
            CH(i - 1, k, 1) = CC(i - 1, 1, k) + tr2 + tr3;
            CH(i, k, 1) = CC(i, 1, k) + ti2 + ti3;
            const double cr2 = CC(i - 1, 1, k) + tr11 * tr2 + tr12 * tr3;
            const double ci2 = CC(i, 1, k) + tr11 * ti2 + tr12 * ti3;
            const double cr3 = CC(i - 1, 1, k) + tr12 * tr2 + tr11 * tr3;
            const double ci3 = CC(i, 1, k) + tr12 * ti2 + tr11 * ti3;
            const double cr5 = ti11 * tr5 + ti12 * tr4;
            const double ci5 = ti11 * ti5 + ti12 * ti4;
            const double cr4 = ti12 * tr5 - ti11 * tr4;
            const double ci4 = ti12 * ti5 - ti11 * ti4;
            const double dr3 = cr3 - ci4;
            const double dr4 = cr3 + ci4;
            const double di3 = ci3 + cr4;
            const double di4 = ci3 - cr4;
            const double dr5 = cr2 + ci5;
            const double dr2 = cr2 - ci5;
            const double di5 = ci2 - cr5;
            const double di2 = ci2 + cr5;
            CH(i - 1, k, 2) = WA1(i - 1) * dr2 + WA1(i) * di2;
            CH(i, k, 2) = WA1(i - 1) * di2 - WA1(i) * dr2;
            CH(i - 1, k, 3) = WA2(i - 1) * dr3 + WA2(i) * di3;
            CH(i, k, 3) = WA2(i - 1) * di3 - WA2(i) * dr3;
            CH(i - 1, k, 4) = WA3(i - 1) * dr4 + WA3(i) * di4;
            CH(i, k, 4) = WA3(i - 1) * di4 - WA3(i) * dr4;
            CH(i - 1, k, 5) = WA4(i - 1) * dr5 + WA4(i) * di5;
            CH(i, k, 5) = WA4(i - 1) * di5 - WA4(i) * dr5;
        }
    }
#undef CC
#undef CH
#undef WA1
#undef WA2
#undef WA3
#undef WA4
}

// General odd radix. cc, c1 and c2 alias one array, ch and ch2 the other. Returns true when
// the result is in ch (only for ido == 2), false when it was left in place in c1.
bool passf(int ido, int ip, int l1, int idl1, double* cc, double* c1, double* c2, double* ch,
           double* ch2, const double* wa) {
#define CC(a, b, c) cc[((a)-1) + ido * (((b)-1) + ip * ((c)-1))]
#define CH(a, b, c) ch[((a)-1) + ido * (((b)-1) + l1 * ((c)-1))]
#define C1(a, b, c) c1[((a)-1) + ido * (((b)-1) + l1 * ((c)-1))]
#define C2(a, b) c2[((a)-1) + idl1 * ((b)-1)]
#define CH2(a, b) ch2[((a)-1) + idl1 * ((b)-1)]
#define WA(a) wa[(a)-1]
    const int idot = ido / 2;
    const int ipp2 = ip + 2;
    const int ipph = (ip + 1) / 2;
    const int idp = ip * ido;

    if (ido >= l1) {
        for (int j = 2; j <= ipph; ++j) {
            const int jc = ipp2 - j;
            for (int k = 1; k <= l1; ++k) {
                for (int i = 1; i <= ido; ++i) {
                    CH(i, k, j) = CC(i, j, k) + CC(i, jc, k);
                    CH(i, k, jc) = CC(i, j, k) - CC(i, jc, k);
                }
            }
        }
        for (int k = 1; k <= l1; ++k)
            for (int i = 1; i <= ido; ++i)
                CH(i, k, 1) = CC(i, 1, k);
    } else {
        for (int j = 2; j <= ipph; ++j) {
            const int jc = ipp2 - j;
            for (int i = 1; i <= ido; ++i) {
                for (int k = 1; k <= l1; ++k) {
                    CH(i, k, j) = CC(i, j, k) + CC(i, jc, k);
                    CH(i, k, jc) = CC(i, j, k) - CC(i, jc, k);
                }
            }
        }
        for (int i = 1; i <= ido; ++i)
            for (int k = 1; k <= l1; ++k)
                CH(i, k, 1) = CC(i, 1, k);
    }

    int idl = 2 - ido;
    int inc = 0;
    for (int l = 2; l <= ipph; ++l) {
        const int lc = ipp2 - l;
        idl += ido;
        for (int ik = 1; ik <= idl1; ++ik) {
            C2(ik, l) = CH2(ik, 1) + WA(idl - 1) * CH2(ik, 2);
            C2(ik, lc) = -WA(idl) * CH2(ik, ip);
        }
        int idlj = idl;
        inc += ido;
        for (int j = 3; j <= ipph; ++j) {
            const int jc = ipp2 - j;
            idlj += inc;
            if (idlj > idp)
                idlj -= idp;
            const double war = WA(idlj - 1);
            const double wai = WA(idlj);
            for (int ik = 1; ik <= idl1; ++ik) {
                C2(ik, l) = C2(ik, l) + war * CH2(ik, j);
                C2(ik, lc) = C2(ik, lc) - wai * CH2(ik, jc);
            }
        }
    }
    for (int j = 2; j <= ipph; ++j)
        for (int ik = 1; ik <= idl1; ++ik)
            CH2(ik, 1) = CH2(ik, 1) + CH2(ik, j);
    for (int j = 2; j <= ipph; ++j) {
        const int jc = ipp2 - j;
        for (int ik = 2; ik <= idl1; ik += 2) {
            CH2(ik - 1, j) = C2(ik - 1, j) - C2(ik, jc);
            CH2(ik - 1, jc) = C2(ik - 1, j) + C2(ik, jc);
            CH2(ik, j) = C2(ik, j) + C2(ik - 1, jc);
            CH2(ik, jc) = C2(ik, j) - C2(ik - 1, jc);
        }
    }
    if (ido == 2)
        return true;

    for (int ik = 1; ik <= idl1; ++ik)
        C2(ik, 1) = CH2(ik, 1);
    for (int j = 2; j <= ip; ++j) {
        for (int k = 1; k <= l1; ++k) {
            C1(1, k, j) = CH(1, k, j);
            C1(2, k, j) = CH(2, k, j);
        }
    }
    if (idot <= l1) {
        int idij = 0;
        for (int j = 2; j <= ip; ++j) {
            idij += 2;
            for (int i = 4; i <= ido; i += 2) {
                idij += 2;
                for (int k = 1; k <= l1; ++k) {
                    C1(i - 1, k, j) = WA(idij - 1) * CH(i - 1, k, j) + WA(idij) * CH(i, k, j);
                    C1(i, k, j) = WA(idij - 1) * CH(i, k, j) - WA(idij) * CH(i - 1, k, j);
                }
            }
        }
        return false;
    }
    int idj = 2 - ido;
    for (int j = 2; j <= ip; ++j) {
        idj += ido;
        for (int k = 1; k <= l1; ++k) {
            int idij = idj;
            for (int i = 4; i <= ido; i += 2) {
                idij += 2;
                C1(i - 1, k, j) = WA(idij - 1) * CH(i - 1, k, j) + WA(idij) * CH(i, k, j);
                C1(i, k, j) = WA(idij - 1) * CH(i, k, j) - WA(idij) * CH(i - 1, k, j);
            }
        }
    }
    return false;
#undef CC
#undef CH
#undef C1
#undef C2
#undef CH2
#undef WA
}

} // namespace

void fftinit(int n, double* work) {
    if (n == 1)
        return;
    double* ifac = work + 4 * static_cast<long>(n);
    const int nf = factorize(n, ifac);
    twiddles(n, nf, ifac, work + 2 * static_cast<long>(n));
}

void fftfwd(int n, double* data, double* work) {
    if (n == 1)
        return;
    const long n2 = 2 * static_cast<long>(n);
    cfftf1(n, data, work, work + n2, work + 2 * n2);
}

void cfftf1(int n, double* c, double* ch, const double* wa, const double* ifac) {
    const int nf = static_cast<int>(ifac[1]);
    bool inScratch = false; // where the current result lies
    int l1 = 1;
    long iw = 0;
    for (int k1 = 0; k1 < nf; ++k1) {
        const int ip = static_cast<int>(ifac[k1 + 2]);
        const int l2 = ip * l1;
        const int ido = n / l2;
        const int idot = ido + ido;
        const int idl1 = idot * l1;
        double* from = inScratch ? ch : c;
        double* to = inScratch ? c : ch;
        const double* w1 = wa + iw;
        switch (ip) {
        case 4:
            passf4(idot, l1, from, to, w1, w1 + idot, w1 + 2 * idot);
            inScratch = !inScratch;
            break;
        case 2:
            passf2(idot, l1, from, to, w1);
            inScratch = !inScratch;
            break;
        case 3:
            passf3(idot, l1, from, to, w1, w1 + idot);
            inScratch = !inScratch;
            break;
        case 5:
            passf5(idot, l1, from, to, w1, w1 + idot, w1 + 2 * idot, w1 + 3 * idot);
            inScratch = !inScratch;
            break;
        default:
            if (passf(idot, ip, l1, idl1, from, from, from, to, to, w1))
                inScratch = !inScratch;
            break;
        }
        l1 = l2;
        iw += static_cast<long>(ip - 1) * idot;
    }
    if (inScratch) {
        const long n2 = 2 * static_cast<long>(n);
        for (long i = 0; i < n2; ++i)
            c[i] = ch[i];
    }
}

} // namespace engine
