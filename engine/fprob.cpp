#include "engine/fprob.h"

#include "engine/reperr.h"

#include <cmath>

namespace engine {

namespace {
constexpr double exponentGuard = 85.195648; // exp(-85.195648) is about 1e-37
} // namespace

void mdfd(double F, int nu2, double& p, int& ier) {
    if (nu2 < 2 || nu2 > MDFD_LARGEST_NU2) {
        ier = MDFD_BAD_DEGREES;
        p = MDFD_FILL;
        reperr(ier, "mdfd  ");
        return;
    }
    if (F < 0) {
        ier = MDFD_NEGATIVE_F;
        p = MDFD_FILL;
        reperr(ier, "mdfd  ");
        return;
    }
    ier = 0;
    if (F == 0 || std::isnan(F)) {
        p = 0;
        return;
    }
    const double dnu2 = nu2;
    const double x = dnu2 / (dnu2 + (F + F));
    if (x == 1) {
        p = 0;
        return;
    }
    const double u = (dnu2 * 0.5) * std::log(x);
    if (std::fabs(u) > exponentGuard) {
        p = 1;
        return;
    }
    p = 1 - std::exp(u);
}

} // namespace engine
