#include "engine/diagnostics.h"

#include <atomic>
#include <charconv>

namespace engine {

namespace {
std::atomic<std::FILE*> stream{nullptr};
std::atomic<bool> discarded{false};
thread_local std::string* threadBuffer = nullptr;
} // namespace

void setDiagnosticStream(std::FILE* s) {
    stream.store(s);
}

void setDiagnosticsDiscarded(bool on) {
    discarded.store(on);
}

std::FILE* diagnosticStream() {
    std::FILE* s = stream.load();
    return s ? s : stdout;
}

void setThreadDiagnosticBuffer(std::string* buffer) {
    threadBuffer = buffer;
}

void writeDiagnosticLine(const std::string& line) {
    if (threadBuffer) {
        threadBuffer->append(line);
        threadBuffer->push_back('\n');
        return;
    }
    if (discarded.load())
        return;
    std::FILE* s = diagnosticStream();
    std::fwrite(line.data(), 1, line.size(), s);
    std::fputc('\n', s);
}

void writeDiagnosticText(const std::string& text) {
    if (!text.empty() && !discarded.load())
        std::fwrite(text.data(), 1, text.size(), diagnosticStream());
}

void flushDiagnostics() {
    std::fflush(diagnosticStream());
}

std::string formatDouble(double value) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

Record& Record::operator<<(const char* text) {
    text_.push_back(' ');
    text_.append(text);
    return *this;
}

Record& Record::operator<<(const std::string& text) {
    return *this << text.c_str();
}

Record& Record::operator<<(int value) {
    return *this << static_cast<long long>(value);
}

Record& Record::operator<<(long value) {
    return *this << static_cast<long long>(value);
}

Record& Record::operator<<(long long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    text_.push_back(' ');
    text_.append(buf, res.ptr);
    return *this;
}

Record& Record::operator<<(double value) {
    text_.push_back(' ');
    text_.append(formatDouble(value));
    return *this;
}

Record& Record::operator<<(quad value) {
    char buf[64];
    quadmath_snprintf(buf, sizeof buf, "%.36Qg", value);
    return *this << buf;
}

} // namespace engine
