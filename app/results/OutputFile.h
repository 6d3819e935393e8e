// A result file written whole or not at all: the text goes to a temporary file in the target's
// folder, which is renamed over the target only after everything was written. A failure
// leaves no partial file and leaves an existing file of that name untouched.
#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace results {

// The process's file-creation mask, read without changing it.
mode_t currentUmask();

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // An empty path writes to standard output.
    bool open(const std::string& path, std::string* why);
    bool write(const char* data, std::size_t size);
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    // Completes the file; false (with the reason) when anything failed on the way.
    bool commit(std::string* why);

private:
    void discard();
    std::string path_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    int error_ = 0;
};

} // namespace results
