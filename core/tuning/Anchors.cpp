#include "core/tuning/Anchors.h"

#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>

namespace tuning {

std::optional<Anchor> parseAnchor(const std::string& text, std::string* why) {
    std::vector<std::string_view> parts;
    std::string_view rest = text;
    for (std::size_t colon; (colon = rest.find(':')) != std::string_view::npos;) {
        parts.push_back(rest.substr(0, colon));
        rest.remove_prefix(colon + 1);
    }
    parts.push_back(rest);
    std::vector<double> v;
    for (const std::string_view p : parts)
        if (const auto x = series::parseNumber(p); x && std::isfinite(*x))
            v.push_back(*x);
    if ((parts.size() != 2 && parts.size() != 3) || v.size() != parts.size()) {
        *why = "'" + text + "' is not POSITION:AGE or POSITION:AGE:SD (finite numbers)";
        return std::nullopt;
    }
    if (v.size() == 3 && v[2] < 0) {
        *why = "'" + text + "': the standard deviation " + text::writtenNumber(v[2]) +
               " must be 0 or more";
        return std::nullopt;
    }
    return Anchor{v[0], v[1], v.size() == 3 ? v[2] : 0.0};
}

std::optional<std::string> checkAnchors(std::vector<Anchor>& anchors,
                                        const std::vector<double>& z) {
    std::sort(anchors.begin(), anchors.end(),
              [](const Anchor& a, const Anchor& b) { return a.position < b.position; });
    const auto named = [](const Anchor& a) {
        return "the anchor at position " + text::writtenNumber(a.position) + " (age " +
               text::writtenNumber(a.age) + ")";
    };
    for (std::size_t j = 0; j < anchors.size(); ++j) {
        const Anchor& a = anchors[j];
        if (z.empty() || a.position < z.front() || a.position > z.back())
            return named(a) + " lies outside the record (" +
                   (z.empty()
                        ? std::string("no samples")
                        : text::writtenNumber(z.front()) + " to " + text::writtenNumber(z.back())) +
                   "); give positions within it";
        if (j == 0)
            continue;
        const Anchor& b = anchors[j - 1];
        if (a.position == b.position)
            return "two anchors at position " + text::writtenNumber(a.position) +
                   "; give one age per position";
        if (!(a.age > b.age))
            return named(a) + " is not older than " + named(b) +
                   " at a smaller position; ages must increase with position";
    }
    return std::nullopt;
}

double ageAt(const AgeModel& m, double x) {
    const std::vector<double>& z = m.position;
    if (x <= z.front())
        return m.age.front();
    if (x >= z.back())
        return m.age.back();
    const std::size_t j =
        static_cast<std::size_t>(std::upper_bound(z.begin(), z.end(), x) - z.begin());
    const double u = (x - z[j - 1]) / (z[j] - z[j - 1]);
    return m.age[j - 1] + u * (m.age[j] - m.age[j - 1]);
}

void pinToAnchors(AgeModel& m, const std::vector<Anchor>& anchors, const std::vector<double>& at) {
    std::vector<double> own;
    own.reserve(anchors.size());
    for (const Anchor& a : anchors)
        own.push_back(ageAt(m, a.position));
    std::size_t j = 0; // the stretch: below anchor j (0), between j - 1 and j, or beyond the last
    for (std::size_t i = 0; i < m.position.size(); ++i) {
        while (j < anchors.size() && m.position[i] > anchors[j].position)
            ++j;
        if (j == 0 || j == anchors.size()) {
            const std::size_t k = j == 0 ? 0 : j - 1;
            m.age[i] = at[k] + (m.age[i] - own[k]);
            continue;
        }
        const double scale = (at[j] - at[j - 1]) / (own[j] - own[j - 1]);
        m.age[i] = at[j - 1] + scale * (m.age[i] - own[j - 1]);
        m.rate[i] /= scale;
    }
}

std::vector<AnchorMiss> anchorMisses(const AgeModel& m, const std::vector<Anchor>& anchors,
                                     const std::vector<double>& spread) {
    std::vector<AnchorMiss> out;
    if (anchors.empty())
        return out;
    const double shift = anchors[0].age - ageAt(m, anchors[0].position);
    for (std::size_t j = 0; j < anchors.size(); ++j) {
        AnchorMiss a;
        a.model = ageAt(m, anchors[j].position) + shift;
        a.miss = a.model - anchors[j].age;
        const double s = j < spread.size() ? spread[j] : 0.0;
        const double sd = std::sqrt(anchors[0].sd * anchors[0].sd * (j > 0) +
                                    anchors[j].sd * anchors[j].sd * (j > 0) + s * s);
        a.inSd = sd > 0 ? a.miss / sd : (j == 0 ? 0.0 : std::nan(""));
        out.push_back(a);
    }
    return out;
}

} // namespace tuning
