// A file written whole or not at all: the text goes to a temporary file in the target's folder
// (so that the final rename stays on one file system), which gets the permissions a new file
// would get, reaches the disk and is then renamed over the target. A failure leaves no partial
// file and leaves an existing file of that name untouched. Every writer of the project goes
// through it: result files, peak lists, and the figures of the plot layer.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <sys/types.h>

namespace io {

// The process's file-creation mask, read without changing it.
mode_t currentUmask();

class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // An empty path writes to standard output.
    bool open(const std::string& path, std::string* why);
    // For writers that open a file by name themselves (a PDF printer, an SVG generator): the
    // temporary file is created and closed; they write temporaryPath(), then commit() moves it.
    bool openForWriterByName(const std::string& path, std::string* why);
    const std::string& temporaryPath() const { return temp_; }

    bool write(const char* data, std::size_t size);
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    // Completes the file; false (with the reason) when anything failed on the way.
    bool commit(std::string* why);

    // The whole file in one call: opened, written by `body` (false when it could not write),
    // committed. On failure nothing is left and why says what happened ("cannot write PATH"
    // when nothing more precise is known).
    static bool writeWhole(const std::string& path, const std::function<bool(AtomicFile&)>& body,
                           std::string* why);
    static bool writeWhole(const std::string& path, const std::string& text, std::string* why);

private:
    bool createTemporary(const std::string& path, std::string* why);
    void discard();
    std::string path_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    int error_ = 0;
};

} // namespace io
