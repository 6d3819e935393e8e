// The engine's diagnostic records: free-format lines (a leading blank, then the items
// separated by blanks) written to one stream, standard output unless the caller redirects it.
// A worker thread can divert its records into a buffer of its own, so that the records of
// concurrent windows can be written later in window order.
#pragma once

#include "engine/quad.h"

#include <cstdio>
#include <string>

namespace engine {

// Where diagnostic lines go; nullptr restores standard output.
void setDiagnosticStream(std::FILE* stream);
std::FILE* diagnosticStream();

// While on, diagnostic lines go nowhere, whatever the stream (a quiet caller needs no file).
void setDiagnosticsDiscarded(bool on);

// While set (non-null), this thread's diagnostic lines are appended to *buffer instead.
void setThreadDiagnosticBuffer(std::string* buffer);

// Writes one line (a newline is added) to this thread's buffer or to the stream.
void writeDiagnosticLine(const std::string& line);

// Writes text that already holds whole lines (each ending in a newline) to the stream.
void writeDiagnosticText(const std::string& text);

// Makes what was written visible to readers of the stream.
void flushDiagnostics();

// Builds one free-format record.
class Record {
public:
    Record& operator<<(const char* text);
    Record& operator<<(const std::string& text);
    Record& operator<<(int value);
    Record& operator<<(long value);
    Record& operator<<(long long value);
    Record& operator<<(double value);
    Record& operator<<(quad value);
    const std::string& str() const { return text_; }

private:
    std::string text_;
};

// Shortest decimal text that reads back to the same double.
std::string formatDouble(double value);

} // namespace engine
