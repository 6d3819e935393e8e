// Runs the engine on a series and keeps everything it produced: rows, status, progress
// reports, diagnostic text and the auxiliary files, each run in a fresh working directory.
#pragma once

#include "engine/auxfiles.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace testing_support {

struct Params {
    double tbw = 3.0;
    double fmax = 0.06;
    double deltat = 1.0;
    int irem = 1;
    int kspec = 4;
    int mpts = 400;
    int inc = 25;
    int nfft = 4096;
    int iprob = 95;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A temporary working directory for the duration of one object.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tonalith-test-XXXXXX";
        path_ = ::mkdtemp(tmpl);
        char* cwd = ::getcwd(nullptr, 0);
        previous_ = cwd;
        std::free(cwd);
        if (::chdir(path_.c_str()) != 0)
            std::abort();
        engine::auxClose();
    }
    ~TempDir() {
        engine::auxClose();
        if (::chdir(previous_.c_str()) != 0)
            std::abort();
        std::system(("rm -rf '" + path_ + "'").c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

struct Result {
    int status = -1;
    std::vector<double> xcent, freq, ampl, prob;
    std::vector<double> progress;
    std::string diagnostics;
    std::string fort17, fort20, fort27;
    int windows = 0, bins = 0;
};

inline void recordProgress(void* ctx, double percent) {
    static_cast<std::vector<double>*>(ctx)->push_back(percent);
}

inline Result runMwc2(const std::vector<double>& x, const std::vector<double>& y, const Params& p,
                      bool withProgress = true, const engine::Mwc2Execution& execution = {}) {
    Result r;
    const int npts = static_cast<int>(y.size());
    r.windows = engine::mwc2Windows(npts, p.mpts, p.inc);
    r.bins = engine::mwc2Bins(p.nfft, p.fmax);
    const std::size_t cells =
        static_cast<std::size_t>(std::max(r.windows, 0)) * std::max(r.bins, 0);
    // One spare row, filled with a marker, catches writes past the end.
    const double marker = -12345.0;
    r.xcent.assign(cells + 1, marker);
    r.freq.assign(cells + 1, marker);
    r.ampl.assign(cells + 1, marker);
    r.prob.assign(cells + 1, marker);
    TempDir dir;
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* mem = open_memstream(&text, &size);
    engine::setDiagnosticStream(mem);
    r.status = engine::mwc2x(execution, r.xcent.data(), r.freq.data(), r.ampl.data(), r.prob.data(),
                             x.data(), p.tbw, p.fmax, p.deltat, y.data(), p.irem, npts, p.kspec,
                             p.mpts, p.inc, p.nfft, p.iprob, withProgress ? &r.progress : nullptr,
                             withProgress ? &recordProgress : nullptr);
    engine::setDiagnosticStream(nullptr);
    std::fclose(mem);
    r.diagnostics.assign(text, size);
    std::free(text);
    engine::auxClose();
    r.fort17 = readFile("fort.17");
    r.fort20 = readFile("fort.20");
    r.fort27 = readFile("fort.27");
    return r;
}

inline std::vector<double> positions(int n, double x0 = 0.0, double dt = 1.0) {
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = x0 + dt * i;
    return x;
}

} // namespace testing_support
