// Bytes as a data file, prepared for a run as the window and the tool prepare it, with a
// fuzzed skip count, column and resampling. Nothing may crash or read out of bounds; what comes
// back must be consistent.
#include "core/analysis/RunPreparation.h"
#include "core/series/SeriesFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
std::string scratchFile() {
    // Memory-backed where there is such a folder: the file is written for every input.
    const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/tonalith-fuzz-loader-" + std::to_string(::getpid()) + ".txt";
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    static const std::string path = scratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data + 3, 1, size - 3, f);
    std::fclose(f);

    analysis::RunRequest request;
    request.file = path;
    request.skip = static_cast<int8_t>(data[0]) % 8; // negative counts too
    request.column = data[1] & 0x80 ? "value" : std::to_string(data[1] % 6);
    request.interpolate = data[2] & 1;
    request.interpolateStep = (data[2] >> 1) % 4 * 0.5;
    request.forMap = data[2] & 0x40;
    request.params.window = 4 + data[2] % 16;
    request.params.step = 1;
    request.params.nfft = 64;
    request.params.tapers = 2;
    request.params.tbw = 1.5;
    request.params.fmax = 0.5;
    const analysis::PreparedRun run = analysis::prepareRun(request);
    const series::Series& s = run.series;
    if (s.xpos.size() != s.yval.size() || s.xpos.size() != s.lines.size())
        __builtin_trap();
    if (run.ok()) {
        if (run.provenance.samples != static_cast<int>(s.xpos.size()) || s.xpos.size() < 2)
            __builtin_trap();
        for (std::size_t i = 0; i < s.xpos.size(); ++i)
            if (!std::isfinite(s.xpos[i]) || !std::isfinite(s.yval[i]) ||
                (i > 0 && !(s.xpos[i] > s.xpos[i - 1])))
                __builtin_trap();
    }
    return 0;
}
