#include "core/text/NumberText.h"

#include "engine/diagnostics.h"

#include <charconv>
#include <cmath>

namespace text {

void appendExactNumber(std::string& out, double v) {
    if (std::isinf(v))
        out += v > 0 ? "inf" : "-inf";
    else
        out += engine::formatDouble(v); // the engine's records write numbers the same way
}

std::string exactNumber(double v) {
    std::string s;
    appendExactNumber(s, v);
    return s;
}

std::string exactNumberInFull(double v) {
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return std::to_string(static_cast<long long>(v));
    return exactNumber(v);
}

std::string displayNumber(double v, int digits) {
    if (!std::isfinite(v))
        return exactNumber(v);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    std::string s(buf, r.ptr);
    // "%g" keeps no trailing zeros after the point, but an exponent may carry a leading '+'.
    if (const auto e = s.find("e+"); e != std::string::npos)
        s.erase(e + 1, 1);
    return s == "-0" ? "0" : s;
}

std::string writtenNumber(double v) {
    // A count is written in full, however many digits it has.
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return exactNumberInFull(v);
    return displayNumber(v, 10);
}

} // namespace text
