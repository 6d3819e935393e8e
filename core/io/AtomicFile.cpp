#include "core/io/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io {

mode_t currentUmask() {
    // Read, not set and reset: umask() is process-wide, and another thread may be creating files.
    std::FILE* status = std::fopen("/proc/self/status", "r");
    mode_t mask = 022;
    if (!status)
        return mask;
    char line[256];
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "Umask:", 6) == 0) {
            mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
            break;
        }
    std::fclose(status);
    return mask;
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (file_ && file_ != stdout)
        std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

bool AtomicFile::createTemporary(const std::string& path, std::string* why) {
    path_ = path;
    const std::size_t slash = path.rfind('/');
    const std::string dir =
        slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *why = "cannot write " + path + ": it is a folder";
        return false;
    }
    std::string tmpl = dir + "/." + base + ".partial-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        *why = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0666 & ~currentUmask());
    temp_ = tmpl;
    file_ = ::fdopen(fd, "w");
    if (!file_) {
        ::close(fd);
        *why = "cannot write " + path + ": " + std::strerror(errno);
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::open(const std::string& path, std::string* why) {
    if (path.empty()) {
        path_.clear();
        file_ = stdout;
        return true;
    }
    return createTemporary(path, why);
}

bool AtomicFile::openForWriterByName(const std::string& path, std::string* why) {
    if (path.empty()) {
        *why = "no file name was given";
        return false;
    }
    if (!createTemporary(path, why))
        return false;
    std::fclose(file_);
    file_ = nullptr;
    return true;
}

bool AtomicFile::write(const char* data, std::size_t size) {
    if (failed_ || !file_)
        return false;
    if (std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
        error_ = errno;
    }
    return !failed_;
}

namespace {

// The file's contents on the disk, for a file that another writer filled by name.
int syncByName(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

} // namespace

bool AtomicFile::commit(std::string* why) {
    const std::string target = path_.empty() ? "standard output" : path_;
    if (file_ == stdout) {
        if (!failed_ && std::fflush(file_) != 0) {
            failed_ = true;
            error_ = errno;
        }
        file_ = nullptr;
        if (failed_)
            *why = "cannot write to standard output: " + std::string(std::strerror(error_));
        return !failed_;
    }
    if (temp_.empty()) {
        *why = "cannot write " + target;
        return false;
    }
    if (file_) {
        if (!failed_ && std::fflush(file_) != 0) {
            failed_ = true;
            error_ = errno;
        }
        if (!failed_ && ::fsync(::fileno(file_)) != 0) {
            failed_ = true;
            error_ = errno;
        }
        if (std::fclose(file_) != 0 && !failed_) {
            failed_ = true;
            error_ = errno;
        }
        file_ = nullptr;
    } else if (!failed_) {
        error_ = syncByName(temp_);
        failed_ = error_ != 0;
    }
    if (!failed_ && ::rename(temp_.c_str(), path_.c_str()) != 0) {
        failed_ = true;
        error_ = errno;
    }
    if (failed_) {
        *why = "cannot write " + target + ": " + std::strerror(error_) + " (nothing was written)";
        discard();
        return false;
    }
    temp_.clear();
    return true;
}

bool AtomicFile::writeWhole(const std::string& path, const std::function<bool(AtomicFile&)>& body,
                            std::string* why) {
    AtomicFile out;
    std::string reason;
    if (out.open(path, &reason) && body(out) && out.commit(&reason))
        return true;
    if (why)
        *why =
            reason.empty() ? "cannot write " + (path.empty() ? "standard output" : path) : reason;
    return false;
}

bool AtomicFile::writeWhole(const std::string& path, const std::string& text, std::string* why) {
    return writeWhole(
        path, [&](AtomicFile& out) { return out.write(text); }, why);
}

} // namespace io
