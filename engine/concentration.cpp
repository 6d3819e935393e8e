// Concentration ratios of the tapers: lambda_k = 2 * integral over [0, W] of the taper's
// spectral window, by Patterson's nested quadrature; the complement 1 - lambda_k from the
// out-of-band integral when the subtraction loses it.
#include "engine/diagnostics.h"
#include "engine/patterson.h"
#include "engine/taper_constants.h"
#include "engine/tapers.h"

namespace engine {

// Three equivalent recurrences over the taper from its last sample to its first: Reinsch's
// form near 0, Goertzel's in the middle, Reinsch's form near pi (each stable in its sector).
quad specwin(quad f, const quad* taper, int N) {
    const quad theta = taperTwoPi * f;
    const long sector = static_cast<long>(theta * taperThreeOverPi);
    quad C;
    quad S;
    if (sector == 0) {
        const quad sh = sinq(theta * 0.5Q);
        const quad lambda = sh * sh * 4;
        quad U = 0;
        quad D = 0;
        for (int n = N - 1; n >= 0; --n) {
            U = U + D;
            D = D + taper[n] - lambda * U;
        }
        C = D + lambda * U / 2;
        S = U * sinq(theta);
    } else if (sector == 1) {
        const quad ct = cosq(theta);
        const quad gamma = ct + ct;
        quad s1 = 0;
        quad s2 = 0;
        for (int n = N - 1; n >= 0; --n) {
            const quad s0 = gamma * s1 - s2 + taper[n];
            s2 = s1;
            s1 = s0;
        }
        C = s1 - (gamma / 2) * s2;
        S = s2 * sinq(theta);
    } else {
        const quad ch = cosq(theta * 0.5Q);
        const quad lambda = ch * ch * 4;
        quad U = 0;
        quad D = 0;
        for (int n = N - 1; n >= 0; --n) {
            U = D - U;
            D = lambda * U - D + taper[n];
        }
        C = D - lambda * U / 2;
        S = U * sinq(theta);
    }
    return C * C + S * S;
}

int dgqif(quad a, quad b, quad reltol, quad abstol, const quad* taper, int N, quad estimates[8],
          bool& converged) {
    if (a == b) {
        estimates[0] = 0;
        converged = false;
        return 1;
    }
    const quad c = (a + b) * 0.5Q;
    const quad h = (b - a) * 0.5Q;
    const quad fc = specwin(c, taper, N);
    estimates[0] = 2 * fc * h;

    quad pairSums[127];
    int pairs = 0;
    for (int stage = 2; stage <= 8; ++stage) {
        if (taperStopRequested()) {
            converged = false;
            return stage - 1;
        }
        const int added = 1 << (stage - 2);
        for (int j = added - 1; j < 2 * added - 1; ++j) {
            if (taperStopRequested()) {
                converged = false;
                return stage - 1;
            }
            const quad hx = h * pattersonNodes[j];
            pairSums[pairs++] = specwin(c + hx, taper, N) + specwin(c - hx, taper, N);
        }
        // pairs == P_i: pair weights at entries P_i-1 .. 2P_i-2, the centre weight at 2P_i-1.
        quad dot = 0;
        for (int j = 0; j < pairs; ++j)
            dot = dot + pattersonWeights[pairs - 1 + j] * pairSums[j];
        const quad r = (pattersonWeights[2 * pairs - 1] * fc + dot) * h;
        estimates[stage - 1] = r;
        if (fabsq(r - estimates[stage - 2]) <= fabsq(r) * reltol + abstol) {
            converged = true;
            return stage;
        }
    }
    converged = false;
    return 8;
}

void dpssev(int ndim, int N, int K, quad W, quad reltol, quad abstol, const quad* v, quad* evalu,
            quad* evalu1m) {
    quad estimates[8];
    bool converged = false;
    for (int k = 0; k < K; ++k) {
        const quad* taper = v + static_cast<long>(k) * ndim;
        const int use = dgqif(0, W, reltol, abstol, taper, N, estimates, converged);
        const quad lambda = 2 * estimates[use - 1];
        evalu[k] = lambda;
        if (taperStopRequested())
            return;
        if (!converged)
            writeDiagnosticLine(
                (Record() << "dgqif did not converge for evalu(k) k =" << k + 1).str());

        const quad delta = 1 - lambda;
        if (delta > 0) {
            evalu1m[k] = delta;
            continue;
        }
        // lambda rounded to 1: twice the energy outside the band, in pieces of width W.
        if (W > 0.5Q || W <= 0) {
            evalu1m[k] = 0;
            continue;
        }
        const auto pieces = static_cast<unsigned long>((0.5Q - W) / W);
        quad sum = 0;
        quad a = W;
        for (unsigned long i = 0; i <= pieces; ++i) {
            const quad b = a + W < 0.5Q ? a + W : 0.5Q;
            const int idx = dgqif(a, b, reltol, abstol, taper, N, estimates, converged);
            if (taperStopRequested())
                return;
            sum = sum + estimates[idx - 1];
            if (!converged)
                writeDiagnosticLine(
                    (Record() << "dgqif did not converge for 1-evalu(k) k =" << k + 1).str());
            a = a + W;
        }
        evalu1m[k] = 2 * sum;
    }
}

} // namespace engine
