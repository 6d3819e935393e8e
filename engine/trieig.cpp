// Bisection (TRIDIB) and inverse iteration (TINVIT) in binary128. The ports keep EISPACK's
// 1-based indices through accessor macros so that each step can be checked against the
// method's description.
#include "engine/trieig.h"

#include "engine/tapers.h"

#include <cmath>

namespace engine {

namespace {

#define D(i) d[(i)-1]
#define E(i) e[(i)-1]
#define E2(i) e2[(i)-1]

// Number of eigenvalues below x of rows p..q (plus p - 1): negative pivots of the LDL^T
// factorisation of T - x I. A zero pivot is replaced as TRIDIB does, keeping the count
// monotone in x.
int sturmCount(int p, int q, quad x, const quad* d, const quad* e, const quad* e2) {
    int s = p - 1;
    quad u = 1;
    for (int i = p; i <= q; ++i) {
        quad v;
        if (u != 0)
            v = E2(i) / u;
        else
            v = E2(i) == 0 ? quad(0) : fabsq(E(i)) / FLT128_EPSILON;
        u = D(i) - x - v;
        if (u < 0)
            ++s;
    }
    return s;
}

quad qmin(quad a, quad b) {
    return b < a ? b : a;
}
quad qmax(quad a, quad b) {
    return b > a ? b : a;
}

// Eigenvalues m11 .. m11+nev-1 (ascending) by bisection into w with submatrix tags in ind.
// Returns false when the index range cannot be separated from its neighbours.
bool tridib(int n, const quad* d, const quad* e, quad* e2, int m11, int nev, quad* w, int* ind,
            quad* rv4, quad* rv5) {
#define W(i) w[(i)-1]
#define IND(i) ind[(i)-1]
#define RV4(i) rv4[(i)-1]
#define RV5(i) rv5[(i)-1]
    // Splitting and Gershgorin bounds of the whole matrix.
    quad xl = D(1);
    quad xu = D(1);
    quad u = 0;
    for (int i = 1; i <= n; ++i) {
        const quad x1 = u;
        u = i != n ? fabsq(E(i + 1)) : quad(0);
        xl = qmin(D(i) - (x1 + u), xl);
        xu = qmax(D(i) + (x1 + u), xu);
        if (i == 1) {
            E2(1) = 0;
            continue;
        }
        const quad tst1 = fabsq(D(i)) + fabsq(D(i - 1));
        const quad tst2 = tst1 + fabsq(E(i));
        if (!(tst2 > tst1))
            E2(i) = 0;
    }

    // Interval holding exactly the wanted eigenvalues; the bounds are used as they are.
    quad t1 = xl;
    quad t2 = xu;
    quad lo = xl;
    quad hi = xu;
    quad x1 = nanq("");
    auto isolate = [&](int target) {
        for (;;) {
            const quad v = x1;
            x1 = lo + (hi - lo) * 0.5Q;
            if (x1 == v)
                return false; // the midpoint stopped moving
            const int s = sturmCount(1, n, x1, d, e, e2);
            if (s < target)
                lo = x1;
            else if (s > target)
                hi = x1;
            else
                return true;
        }
    };
    const int m1wanted = m11 - 1;
    bool upperSearched = false;
    if (m1wanted != 0) {
        if (!isolate(m1wanted))
            return false;
        lo = x1;
        t1 = x1;
    }
    const int m22 = m1wanted + nev;
    if (m22 != n) {
        hi = t2;
        if (!isolate(m22))
            return false;
        t2 = x1;
        upperSearched = true;
    }

    // Each submatrix in turn, its bracket refined by its own Gershgorin bounds.
    int q = 0;
    int r = 0;
    int tag = 0;
    while (r != nev && q < n) {
        if (taperStopRequested())
            return false;
        ++tag;
        const int p = q + 1;
        quad sxl = D(p);
        quad sxu = D(p);
        u = 0;
        for (q = p;; ++q) {
            const quad prev = u;
            u = 0;
            quad v = 0;
            if (q != n) {
                u = fabsq(E(q + 1));
                v = E2(q + 1);
            }
            sxl = qmin(D(q) - (prev + u), sxl);
            sxu = qmax(D(q) + (prev + u), sxu);
            if (v == 0)
                break;
        }

        int m1;
        int m2;
        if (p == q) {
            // Isolated root: wanted when it lies in [t1, t2), or at t2 when t2 is a bound.
            const bool inRange = !(t1 > D(p)) && (upperSearched ? D(p) < t2 : !(D(p) > t2));
            if (!inRange)
                continue;
            m1 = p;
            m2 = p;
            RV5(p) = D(p);
        } else {
            const quad lb = qmax(t1, sxl);
            const quad ub = qmin(t2, sxu);
            // At a Gershgorin bound of the submatrix the count is known exactly.
            m1 = lb == sxl ? p : sturmCount(p, q, lb, d, e, e2) + 1;
            m2 = ub == sxu ? q : sturmCount(p, q, ub, d, e, e2);
            if (m1 > m2)
                continue;

            quad x0 = ub;
            for (int i = m1; i <= m2; ++i) {
                RV5(i) = ub;
                RV4(i) = lb;
            }
            for (int k = m2; k >= m1; --k) {
                quad xb = lb;
                for (int i = k; i >= m1; --i) {
                    if (xb < RV4(i)) {
                        xb = RV4(i);
                        break;
                    }
                }
                if (x0 > RV5(k))
                    x0 = RV5(k);
                quad xm;
                for (;;) {
                    if (taperStopRequested())
                        return false;
                    xm = (xb + x0) * 0.5Q;
                    if (x0 - xb <= 0)
                        break;
                    const quad tst1 = 2 * (fabsq(xb) + fabsq(x0));
                    const quad tst2 = tst1 + (x0 - xb);
                    if (tst2 == tst1)
                        break;
                    const int s = sturmCount(p, q, xm, d, e, e2);
                    if (s >= k) {
                        x0 = xm;
                    } else {
                        xb = xm;
                        if (s >= m1) {
                            RV4(s + 1) = xm;
                            if (RV5(s) > xm)
                                RV5(s) = xm;
                        } else {
                            RV4(m1) = xm;
                        }
                    }
                }
                RV5(k) = xm;
            }
        }

        // Merge this submatrix's eigenvalues into w in ascending order, with their tag.
        const int s = r;
        r = r + m2 - m1 + 1;
        int j = 1;
        int k = m1;
        for (int l = 1; l <= r; ++l) {
            if (j <= s) {
                if (k > m2)
                    break;
                if (W(l) <= RV5(k)) {
                    ++j;
                    continue;
                }
                for (int ii = j; ii <= s; ++ii) {
                    const int i = l + s - ii;
                    W(i + 1) = W(i);
                    IND(i + 1) = IND(i);
                }
            }
            W(l) = RV5(k);
            IND(l) = tag;
            ++k;
        }
    }
    return r == nev;
#undef W
#undef IND
#undef RV4
#undef RV5
}

// Eigenvectors of the eigenvalues w (ascending, tagged by submatrix) by inverse iteration.
// Returns false when some vector was not accepted within 5 iterations (it is left zero).
bool tinvit(int n, const quad* d, const quad* e, const quad* e2, int nev, const quad* w,
            const int* ind, quad* z, const TrieigScratch& sc) {
#define W(i) w[(i)-1]
#define IND(i) ind[(i)-1]
#define Z(i, j) z[((i)-1) + static_cast<long>(n) * ((j)-1)]
#define RV1(i) sc.rv1[(i)-1]
#define RV2(i) sc.rv2[(i)-1]
#define RV3(i) sc.rv3[(i)-1]
#define RV4(i) sc.rv4[(i)-1]
#define RV6(i) sc.rv6[(i)-1]
    bool ok = true;
    const quad order = 1 - E2(1);
    int q = 0;
    quad x0 = 0;
    quad eps2 = 0;
    quad eps3 = 0;
    quad eps4 = 0;
    quad uk = 0;
    quad xu = 1;
    q = 0;
    int tag = 0;
    while (q < n) {
        const int p = q + 1;
        for (q = p; q < n; ++q)
            if (E2(q + 1) == 0)
                break;
        ++tag;
        int s = 0; // 0 until the first vector of this submatrix; then the cycling row
        int group = 0;
        for (int r = 1; r <= nev; ++r) {
            if (IND(r) != tag)
                continue;
            if (taperStopRequested())
                return false;
            int its = 1;
            quad x1 = W(r);
            bool store = true;
            if (s == 0) {
                xu = 1;
                if (p == q) {
                    RV6(p) = 1;
                    goto stored;
                }
                quad norm = fabsq(D(p));
                for (int i = p + 1; i <= q; ++i)
                    norm = qmax(norm, fabsq(D(i)) + fabsq(E(i)));
                eps2 = 1.0e-3Q * norm;
                quad h = norm * 0.5Q;
                while (norm + h != norm)
                    h = h * 0.5Q;
                const quad kappa = sqrtq(static_cast<quad>(q - p + 5));
                eps3 = kappa * h;
                eps4 = kappa * eps3;
                uk = eps4 / kappa;
                s = p;
                group = 0;
            } else if (fabsq(x1 - x0) >= eps2) {
                group = 0;
            } else {
                ++group;
                if (order * (x1 - x0) <= 0)
                    x1 = x0 + order * eps3;
            }

            {
                // Gaussian elimination of T - x1 I with interchanges; start vector uk.
                quad u = 0;
                quad v = 0;
                for (int i = p; i <= q; ++i) {
                    RV6(i) = uk;
                    if (i != p) {
                        if (!(fabsq(E(i)) < fabsq(u))) {
                            xu = u / E(i);
                            RV4(i) = xu;
                            RV1(i - 1) = E(i);
                            RV2(i - 1) = D(i) - x1;
                            RV3(i - 1) = i != q ? E(i + 1) : quad(0);
                            u = v - xu * RV2(i - 1);
                            v = -xu * RV3(i - 1);
                            continue;
                        }
                        xu = E(i) / u;
                        RV4(i) = xu;
                        RV1(i - 1) = u;
                        RV2(i - 1) = v;
                        RV3(i - 1) = 0;
                    }
                    u = D(i) - x1 - xu * v;
                    if (i != q)
                        v = E(i + 1);
                }
                if (u == 0)
                    u = eps3;
                RV1(q) = u;
                RV2(q) = 0;
                RV3(q) = 0;

                for (;;) {
                    // Back substitution.
                    for (int i = q; i >= p; --i) {
                        RV6(i) = (RV6(i) - u * RV2(i) - v * RV3(i)) / RV1(i);
                        v = u;
                        u = RV6(i);
                    }
                    // Orthogonalise against the earlier members of the group.
                    int j = r;
                    for (int jj = 1; jj <= group; ++jj) {
                        do
                            --j;
                        while (IND(j) != tag);
                        quad dot = 0;
                        for (int i = p; i <= q; ++i)
                            dot = dot + RV6(i) * Z(i, j);
                        for (int i = p; i <= q; ++i)
                            RV6(i) = RV6(i) - dot * Z(i, j);
                    }
                    quad norm = 0;
                    for (int i = p; i <= q; ++i)
                        norm = norm + fabsq(RV6(i));
                    if (norm >= 1) {
                        quad ss = 0;
                        for (int i = p; i <= q; ++i)
                            ss = ss + RV6(i) * RV6(i);
                        const quad len = sqrtq(ss);
                        for (int i = p; i <= q; ++i)
                            RV6(i) = RV6(i) / len;
                        xu = 1 / len;
                        break;
                    }
                    if (its == 5) {
                        ok = false;
                        xu = 0;
                        store = false;
                        break;
                    }
                    if (norm == 0) {
                        RV6(s) = eps4;
                        ++s;
                        if (s > q)
                            s = p;
                    } else {
                        const quad scale = eps4 / norm;
                        for (int i = p; i <= q; ++i)
                            RV6(i) = RV6(i) * scale;
                    }
                    // Apply the stored elimination steps to the new right-hand side.
                    for (int i = p + 1; i <= q; ++i) {
                        quad t = RV6(i);
                        if (RV1(i - 1) == E(i)) {
                            t = RV6(i - 1);
                            RV6(i - 1) = RV6(i);
                        }
                        RV6(i) = t - RV4(i) * RV6(i - 1);
                    }
                    ++its;
                }
            }

        stored:
            for (int i = 1; i <= n; ++i)
                Z(i, r) = 0;
            if (store)
                for (int i = p; i <= q; ++i)
                    Z(i, r) = RV6(i);
            x0 = x1;
        }
    }
    return ok;
#undef W
#undef IND
#undef Z
#undef RV1
#undef RV2
#undef RV3
#undef RV4
#undef RV6
}

#undef D
#undef E
#undef E2

} // namespace

int trieig(int m, const quad* d, const quad* e, quad* e2, int nev, quad* w, quad* z,
           const TrieigScratch& scratch, int& status) {
    status = 0;
    if (nev <= 0)
        return 0;
    if (!tridib(m, d, e, e2, m - nev + 1, nev, w, scratch.ind, scratch.rv4, scratch.rv5)) {
        status = taperStopRequested() ? TAPERS_STOPPED : 1;
        return 0;
    }
    if (!tinvit(m, d, e, e2, nev, w, scratch.ind, z, scratch)) {
        status = taperStopRequested() ? TAPERS_STOPPED : 2;
        if (status == TAPERS_STOPPED)
            return 0;
    }
    return nev;
}

} // namespace engine
