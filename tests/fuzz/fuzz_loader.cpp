// Bytes as a data file: the loader with a fuzzed skip count and column, then the checks that
// follow it. Nothing may crash or read out of bounds; what comes back must be consistent.
#include "core/analysis/RunParameters.h"
#include "core/series/SeriesFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
std::string scratchFile() {
    return "/tmp/tonalith-fuzz-loader-" + std::to_string(::getpid()) + ".txt";
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int skip = static_cast<int8_t>(data[0]) % 8; // negative counts too
    const int column = data[1] % 6;
    static const std::string path = scratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);

    std::string why;
    const auto text = series::readText(path, &why);
    if (text)
        (void)series::columnTitles(series::splitLines(*text).front(), data[0] & 1);
    const auto s = series::loadSeries(path, skip, column, &why);
    if (!s)
        return 0;
    if (s->xpos.size() != s->yval.size() || s->xpos.size() != s->lines.size())
        __builtin_trap();
    (void)analysis::checkSeries(*s);
    (void)analysis::checkSpacing(*s);
    return 0;
}
