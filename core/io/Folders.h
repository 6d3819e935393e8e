// Folders a front end writes into: whether one can take files, and the user's cache folder,
// where the module keeps the engine's records unless told otherwise.
#pragma once

#include <optional>
#include <string>

namespace io {

// Why `path` cannot receive files ("No such file or directory", "not a folder", "not
// writable"); nothing when it can.
std::optional<std::string> folderProblem(const std::string& path);

// The folder `path` created with its parents when missing, then checked as folderProblem does.
std::optional<std::string> ensureFolder(const std::string& path);

// $XDG_CACHE_HOME/<name>, else $HOME/.cache/<name> (the XDG base directories); empty when
// neither variable is set.
std::string userCacheFolder(const std::string& name);

} // namespace io
