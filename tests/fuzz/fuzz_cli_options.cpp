// Bytes as a command line (arguments separated by NUL bytes) for tonalith-cli's parser.
#include "cli/CliOptions.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    const cli::ParseResult r = cli::parseCommandLine(args);
    if (!r.parsed && r.error.empty())
        __builtin_trap(); // a refusal must say why
    return 0;
}
