#include "core/io/Folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace io {

std::optional<std::string> folderProblem(const std::string& path) {
    struct stat folder {};
    if (::stat(path.c_str(), &folder) != 0)
        return std::string(std::strerror(errno));
    if (!S_ISDIR(folder.st_mode))
        return std::string("not a folder");
    if (::access(path.c_str(), W_OK) != 0)
        return std::string("not writable");
    return std::nullopt;
}

std::optional<std::string> ensureFolder(const std::string& path) {
    // Each missing parent in turn, from the root down; one that exists already is no fault.
    for (std::size_t slash = path.find('/', 1); !path.empty(); slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return part + ": " + std::strerror(errno);
        if (slash == std::string::npos)
            break;
    }
    return folderProblem(path);
}

std::string userCacheFolder(const std::string& name) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return std::string(cache) + "/" + name;
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return std::string(home) + "/.cache/" + name;
    return {};
}

} // namespace io
