// The auxiliary text files fort.17 (one record per window), fort.20 (periods of the
// significant lines) and fort.27 (a header per analysis), in the working directory unless
// another folder is set. Each is
// created, or emptied, at its first record in the process and stays open until the process
// ends. A file that cannot be created or written is skipped with one warning on the
// diagnostic stream; the analysis goes on.
#pragma once

#include <string>

namespace engine {

// Appends one line (a newline is added) to fort.<unit>, unit 17, 20 or 27.
void auxWrite(int unit, const std::string& line);

// Makes the records written so far visible to readers of the files.
void auxFlush();

// Closes the files; the next record creates its file anew in the working directory (or the
// folder set). For a host that changes directory between analyses, and for tests.
void auxClose();

// The folder the files are created in from now on (empty: the working directory); the files
// open so far are closed.
void auxSetFolder(const std::string& path);

} // namespace engine
