#include "engine/auxfiles.h"

#include "engine/diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace engine {

namespace {

struct AuxFile {
    int unit;
    const char* name;
    std::FILE* file = nullptr;
    bool failed = false;
};

AuxFile files[] = {{17, "fort.17"}, {20, "fort.20"}, {27, "fort.27"}};

// Empty: the working directory.
std::string& folder() {
    static std::string f;
    return f;
}

void fail(AuxFile& f, const char* what) {
    f.failed = true;
    writeDiagnosticLine((Record() << what << f.name << ":" << std::strerror(errno)).str());
}

AuxFile* find(int unit) {
    for (AuxFile& f : files)
        if (f.unit == unit)
            return &f;
    return nullptr;
}

} // namespace

void auxWrite(int unit, const std::string& line) {
    AuxFile* f = find(unit);
    if (!f || f->failed)
        return;
    if (!f->file) {
        const std::string path = folder().empty() ? f->name : folder() + "/" + f->name;
        f->file = std::fopen(path.c_str(), "w");
        if (!f->file) {
            fail(*f, "cannot create auxiliary file");
            return;
        }
    }
    if (std::fwrite(line.data(), 1, line.size(), f->file) != line.size() ||
        std::fputc('\n', f->file) == EOF)
        fail(*f, "cannot write auxiliary file");
}

void auxFlush() {
    for (AuxFile& f : files)
        if (f.file && !f.failed && std::fflush(f.file) != 0)
            fail(f, "cannot write auxiliary file");
}

} // namespace engine

namespace engine {

void auxSetFolder(const std::string& path) {
    auxClose();
    folder() = path;
}

void auxClose() {
    for (AuxFile& f : files) {
        if (f.file)
            std::fclose(f.file);
        f.file = nullptr;
        f.failed = false;
    }
}

} // namespace engine
