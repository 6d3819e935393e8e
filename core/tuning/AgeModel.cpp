#include "core/tuning/AgeModel.h"

#include "core/tuning/PiecewiseLinear.h"

#include <algorithm>
#include <cmath>

namespace tuning {

std::optional<std::string> checkTrace(const Trace& t, const std::vector<int>* lines) {
    return checkPiecewise(t.position, t.frequency, lines, traceWords);
}

double frequencyAt(const Trace& t, double z) {
    return piecewiseAt(t.position, t.frequency, z);
}

AgeModel ageModel(const std::vector<double>& z, const Trace& t, double period, double startAge) {
    AgeModel m;
    m.position = z;
    m.age.resize(z.size());
    m.rate.resize(z.size());
    if (z.empty())
        return m;
    // The integral of the piecewise-linear f from z[0] on: trapezoids between consecutive
    // breakpoints (the samples and the trace's points), exact for a linear integrand.
    const std::vector<double>& x = t.position;
    std::size_t next =
        static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), z[0]) - x.begin());
    double integral = 0, at = z[0], fAt = frequencyAt(t, z[0]);
    for (std::size_t i = 0; i < z.size(); ++i) {
        while (next < x.size() && x[next] < z[i]) {
            integral += 0.5 * (fAt + t.frequency[next]) * (x[next] - at);
            at = x[next];
            fAt = t.frequency[next];
            ++next;
        }
        const double f = frequencyAt(t, z[i]);
        integral += 0.5 * (fAt + f) * (z[i] - at);
        at = z[i];
        fAt = f;
        m.age[i] = startAge + period * integral;
        m.rate[i] = 1.0 / (period * f);
    }
    return m;
}

TunedSeries tunedSeries(const AgeModel& m, const std::vector<double>& values, double step) {
    TunedSeries s;
    if (!(step > 0)) {
        s.age = m.age;
        s.value = values;
        return s;
    }
    if (m.age.empty())
        return s;
    const double first = m.age.front(), last = m.age.back();
    const std::size_t n = static_cast<std::size_t>(std::floor((last - first) / step + 1e-9)) + 1;
    s.age.reserve(n);
    s.value.reserve(n);
    std::size_t j = 1;
    for (std::size_t k = 0; k < n; ++k) {
        const double a = first + static_cast<double>(k) * step;
        while (j + 1 < m.age.size() && m.age[j] < a)
            ++j;
        const double a0 = m.age[j - 1], a1 = m.age[std::min(j, m.age.size() - 1)];
        const double u = a1 > a0 ? std::clamp((a - a0) / (a1 - a0), 0.0, 1.0) : 0.0;
        s.age.push_back(a);
        s.value.push_back(values[j - 1] +
                          u * (values[std::min(j, values.size() - 1)] - values[j - 1]));
    }
    return s;
}

} // namespace tuning
