// The engine's argument check and a small run with fuzzed sizes and parameters. A refused
// call must write nothing; an accepted one must fill exactly its rows.
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
template <class T> T take(const uint8_t*& p, const uint8_t* end) {
    T v{};
    if (end - p >= static_cast<long>(sizeof v)) {
        std::memcpy(&v, p, sizeof v);
        p += sizeof v;
    }
    return v;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        engine::setDiagnosticsDiscarded(true);
        return true;
    }();
    (void)quiet;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    // Small series and transforms, so that a run takes little more than the checks.
    const int npts = take<uint8_t>(p, end) % 64;
    const int mpts = take<int8_t>(p, end);
    const int inc = take<int8_t>(p, end);
    const int nfft = take<int16_t>(p, end) % 160;
    const int kspec = take<int8_t>(p, end) % 13;
    const double tbw = take<double>(p, end);
    const double fmax = take<double>(p, end);
    const double deltat = take<uint8_t>(p, end) % 4 * 0.5;
    std::vector<double> x(std::max(npts, 1)), y(std::max(npts, 1));
    for (int i = 0; i < npts; ++i) {
        x[i] = i * deltat;
        y[i] = take<int8_t>(p, end) * 0.25;
    }
    const engine::Mwc2Check check =
        engine::mwc2check(tbw, fmax, deltat, npts, kspec, mpts, inc, nfft);
    const size_t rows = check.ok() ? static_cast<size_t>(engine::mwc2Windows(npts, mpts, inc)) *
                                         engine::mwc2Bins(nfft, fmax)
                                   : 0;
    // One marked cell past the rows catches writes beyond them.
    std::vector<double> a(rows + 1, -7.0), b(rows + 1, -7.0), c(rows + 1, -7.0), d(rows + 1, -7.0);
    engine::Mwc2Execution execution;
    execution.workers = take<uint8_t>(p, end) % 3;
    const int status =
        engine::mwc2x(execution, a.data(), b.data(), c.data(), d.data(), x.data(), tbw, fmax,
                      deltat, y.data(), 1, npts, kspec, mpts, inc, nfft, 95, nullptr, nullptr);
    if (!check.ok() && (status != static_cast<int>(check.status) || a[0] != -7.0))
        __builtin_trap();
    if (a[rows] != -7.0 || d[rows] != -7.0)
        __builtin_trap();
    if (check.ok() && status == 0)
        for (size_t r = 0; r < rows; ++r)
            if (!(d[r] >= 0 && (d[r] <= 1 || d[r] == 1.0e37)))
                __builtin_trap();
    return 0;
}
