#include "core/results/MapVariant.h"

#include "core/results/FalseDiscovery.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace results {

namespace {
constexpr const char* names[] = {"amplitude", "power", "logpower", "normalised", "probability"};
}

std::optional<MapOf> parseMapOf(const std::string& name) {
    for (int i = 0; i < 5; ++i)
        if (name == names[i])
            return static_cast<MapOf>(i);
    return std::nullopt;
}

std::string mapOfName(MapOf of) {
    return names[static_cast<int>(of)];
}

std::string mapOfTitle(MapOf of) {
    switch (of) {
    case MapOf::Power:
        return "Power (amplitude\u00b2)";
    case MapOf::LogPower:
        return "log\u2081\u2080 power";
    case MapOf::Normalised:
        return "Amplitude / largest of its window";
    case MapOf::Probability:
        return "F-test probability";
    case MapOf::Amplitude:
        break;
    }
    return "Intensity (line amplitude)";
}

std::vector<double> mapValues(const Grids& g, MapOf of) {
    switch (of) {
    case MapOf::Amplitude:
        return g.zgrid;
    case MapOf::Probability:
        return g.sgrid;
    case MapOf::Power: {
        std::vector<double> v(g.zgrid.size());
        std::transform(g.zgrid.begin(), g.zgrid.end(), v.begin(), [](double a) { return a * a; });
        return v;
    }
    case MapOf::LogPower: {
        std::vector<double> v(g.zgrid.size());
        double lowest = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < v.size(); ++i) {
            // 2 log10|a| rather than log10(a^2): no overflow or underflow of the square.
            v[i] = 2.0 * std::log10(std::fabs(g.zgrid[i]));
            if (std::isfinite(v[i]))
                lowest = std::min(lowest, v[i]);
        }
        if (!std::isfinite(lowest))
            lowest = 0.0;
        for (double& x : v)
            if (!std::isfinite(x))
                x = lowest;
        return v;
    }
    case MapOf::Normalised: {
        std::vector<double> v = g.zgrid;
        for (std::size_t w = 0; w < g.nx; ++w) {
            double largest = 0.0;
            for (std::size_t f = 0; f < g.nfreq; ++f)
                largest = std::max(largest, std::fabs(v[f * g.nx + w]));
            if (largest > 0.0)
                for (std::size_t f = 0; f < g.nfreq; ++f)
                    v[f * g.nx + w] /= largest;
        }
        return v;
    }
    }
    return g.zgrid;
}

std::vector<double> falseDiscoveryMask(const Grids& g, double q) {
    std::vector<double> mask(g.sgrid.size(), 0.0);
    std::vector<double> p;
    std::vector<std::size_t> cell;
    for (std::size_t w = 0; w < g.nx; ++w) {
        p.clear();
        cell.clear();
        for (std::size_t f = 0; f < g.nfreq; ++f) {
            const double probability = g.sgrid[f * g.nx + w];
            if (probability >= 0.0 && probability <= 1.0) {
                p.push_back(1.0 - probability);
                cell.push_back(f * g.nx + w);
            }
        }
        const std::vector<bool> kept = benjaminiHochberg(p, q);
        for (std::size_t i = 0; i < cell.size(); ++i)
            mask[cell[i]] = kept[i] ? 1.0 : 0.0;
    }
    return mask;
}

} // namespace results
