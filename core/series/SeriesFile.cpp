#include "core/series/SeriesFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <locale.h>
#include <sstream>
#include <sys/stat.h>

namespace series {

namespace {

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string fromUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t i) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size()) {
            const unsigned lo = unit(i + 2);
            if (lo >= 0xDC00 && lo < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, cp);
    }
    return out;
}

// A field or line as a message names it: at most 24 bytes, cut before a UTF-8 sequence.
std::string shortened(std::string_view text) {
    constexpr std::size_t most = 24;
    if (text.size() <= most)
        return std::string(text);
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "...";
}

bool isUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0 || i + more >= s.size())
            return false;
        for (int k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += more + 1;
    }
    return true;
}

std::string fromLatin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes)
        appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// Length of the blank (space, tab or Unicode space separator) at the start of s, or 0.
std::size_t blankAtStart(std::string_view s) {
    if (s.empty())
        return 0;
    const auto c0 = static_cast<unsigned char>(s[0]);
    if (c0 == ' ' || c0 == '\t')
        return 1;
    if (s.size() >= 2 && c0 == 0xC2 && static_cast<unsigned char>(s[1]) == 0xA0)
        return 2; // U+00A0
    if (s.size() >= 3) {
        const auto c1 = static_cast<unsigned char>(s[1]);
        const auto c2 = static_cast<unsigned char>(s[2]);
        if (c0 == 0xE1 && c1 == 0x9A && c2 == 0x80)
            return 3; // U+1680
        if (c0 == 0xE2 && c1 == 0x80 && (c2 <= 0x8A || c2 == 0xAF))
            return 3; // U+2000..U+200A, U+202F
        if (c0 == 0xE2 && c1 == 0x81 && c2 == 0x9F)
            return 3; // U+205F
        if (c0 == 0xE3 && c1 == 0x80 && c2 == 0x80)
            return 3; // U+3000
    }
    return 0;
}

// Length of the blank at the end of s, or 0.
std::size_t blankAtEnd(std::string_view s) {
    for (std::size_t len : {std::size_t(1), std::size_t(2), std::size_t(3)})
        if (s.size() >= len && blankAtStart(s.substr(s.size() - len)) == len)
            return len;
    return 0;
}

locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

std::optional<std::string> readText(const std::string& path, std::string* why) {
    auto fail = [why](std::string reason) -> std::optional<std::string> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return fail(std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return fail("it is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(std::strerror(errno));
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        return fail("read error");
    std::string bytes = std::move(buffer).str();

    const auto starts = [&](const char* bom, std::size_t n) {
        return bytes.size() >= n && std::memcmp(bytes.data(), bom, n) == 0;
    };
    if (starts("\xFF\xFE", 2))
        return fromUtf16(std::string_view(bytes).substr(2), false);
    if (starts("\xFE\xFF", 2))
        return fromUtf16(std::string_view(bytes).substr(2), true);
    if (starts("\xEF\xBB\xBF", 3))
        bytes.erase(0, 3);
    if (bytes.find('\0') != std::string::npos)
        return fail("it holds NUL bytes (a binary file, or UTF-16 text without a byte-order mark)");
    if (!isUtf8(bytes))
        return fromLatin1(bytes);
    return bytes;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::string_view trimBlanks(std::string_view s) {
    while (std::size_t n = blankAtStart(s))
        s.remove_prefix(n);
    while (std::size_t n = blankAtEnd(s))
        s.remove_suffix(n);
    return s;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    line = trimBlanks(line);
    // Tabs separate the fields; a line without a tab is split at semicolons, or else at commas
    // (the CSV files of spreadsheets, with a decimal point).
    const char separator = line.find('\t') != std::string_view::npos  ? '\t'
                           : line.find(';') != std::string_view::npos ? ';'
                           : line.find(',') != std::string_view::npos ? ','
                                                                      : '\t';
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t tab = line.find(separator, start);
        const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
        if (end > start) {
            std::string_view piece = trimBlanks(line.substr(start, end - start));
            if (!piece.empty())
                fields.push_back(piece);
        }
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

std::optional<double> parseNumber(std::string_view field) {
    if (field.empty() || field.size() > 4096)
        return std::nullopt;
    char buf[4097];
    std::memcpy(buf, field.data(), field.size());
    buf[field.size()] = '\0';
    char* end = nullptr;
    const double v = strtod_l(buf, &end, cLocale());
    if (end != buf + field.size() || end == buf)
        return std::nullopt;
    return v;
}

std::string_view titleLine(const std::vector<std::string_view>& lines) {
    std::size_t i = 0;
    while (i < lines.size() && !trimBlanks(lines[i]).empty() && trimBlanks(lines[i])[0] == '#')
        ++i;
    if (i == 1 && splitFields(lines[0]).size() >= 2)
        return lines[0];
    return i < lines.size() ? lines[i] : std::string_view();
}

std::vector<std::string> columnTitles(std::string_view firstLine, bool header) {
    const auto fields = splitFields(firstLine);
    std::vector<std::string> titles;
    if (fields.size() < 2)
        return titles;
    for (std::size_t i = 1; i < fields.size(); ++i)
        titles.push_back(header ? std::string(fields[i]) : "Column " + std::to_string(i + 1));
    return titles;
}

std::optional<Series> loadSeries(const std::string& path, int skip, int column, std::string* why) {
    const auto text = readText(path, why);
    if (!text)
        return std::nullopt;
    return parseSeries(*text, skip, column, why);
}

std::optional<Series> parseSeries(std::string_view text, int skip, int column, std::string* why) {
    if (skip < 0) {
        if (why)
            *why = "the number of header lines to skip is negative (" + std::to_string(skip) + ")";
        return std::nullopt;
    }
    const auto lines = splitLines(text);
    if (static_cast<long>(lines.size()) - skip <= 0) {
        if (why)
            *why = "no line is left after the " + std::to_string(skip) + " skipped header line" +
                   (skip == 1 ? "" : "s");
        return std::nullopt;
    }
    Series s;
    // The titles are no data line, wherever the header's comment block puts them.
    const std::string_view titles = titleLine(lines);
    for (std::size_t i = static_cast<std::size_t>(skip); i < lines.size(); ++i) {
        const auto fields = splitFields(lines[i]);
        const bool note = fields.empty() || fields[0].front() == '#' ||
                          (lines[i].data() == titles.data() && !parseNumber(fields[0]));
        const auto drop = [&](std::string why) {
            if (!note)
                s.dropped.push_back({static_cast<int>(i + 1), std::move(why)});
        };
        if (fields.size() < 2 || column < 0 || static_cast<std::size_t>(column) >= fields.size()) {
            drop(shortened(trimBlanks(lines[i])) + " (no field " + std::to_string(column) + ")");
            continue;
        }
        const auto x = parseNumber(fields[0]);
        if (!x) {
            drop(shortened(fields[0]));
            continue;
        }
        const auto y = parseNumber(fields[static_cast<std::size_t>(column)]);
        if (!y) {
            drop(shortened(fields[static_cast<std::size_t>(column)]));
            continue;
        }
        s.xpos.push_back(*x);
        s.yval.push_back(*y);
        s.lines.push_back(static_cast<int>(i + 1));
    }
    return s;
}

std::string droppedLinesText(const std::vector<DroppedLine>& dropped, int named) {
    if (dropped.empty())
        return std::string();
    std::string t = std::to_string(dropped.size()) + " (";
    for (std::size_t i = 0; i < dropped.size() && i < static_cast<std::size_t>(named); ++i)
        t += (i > 0 ? ", " : "") + std::to_string(dropped[i].line) + ": " + dropped[i].text;
    return t + (dropped.size() > static_cast<std::size_t>(named) ? ", ...)" : ")");
}

double medianSpacing(const Series& s) {
    if (s.xpos.size() < 2)
        return 1.0;
    std::vector<double> d;
    d.reserve(s.xpos.size() - 1);
    for (std::size_t i = 1; i < s.xpos.size(); ++i)
        d.push_back(s.xpos[i] - s.xpos[i - 1]);
    const std::size_t mid = d.size() / 2;
    std::nth_element(d.begin(), d.begin() + static_cast<long>(mid), d.end());
    if (d.size() % 2 == 1)
        return d[mid];
    const double upper = d[mid];
    std::nth_element(d.begin(), d.begin() + static_cast<long>(mid) - 1,
                     d.begin() + static_cast<long>(mid));
    return (d[mid - 1] + upper) / 2;
}

double resampledCount(const Series& s, double step) {
    if (s.xpos.empty() || !(step > 0))
        return 0;
    return std::floor((s.xpos.back() - s.xpos.front()) / step * (1 + 1e-12)) + 1;
}

std::optional<Series> resampleEvenly(const Series& s, double step, std::size_t maxSamples) {
    const double wanted = resampledCount(s, step);
    if (!(wanted <= static_cast<double>(maxSamples)))
        return std::nullopt;
    Series out;
    out.dropped = s.dropped;
    if (wanted < 1)
        return out;
    const double x0 = s.xpos.front();
    const auto count = static_cast<std::size_t>(wanted);
    std::size_t k = 0; // s.xpos[k] <= x < s.xpos[k + 1]
    for (std::size_t i = 0; i < count; ++i) {
        const double x = x0 + static_cast<double>(i) * step;
        while (k + 1 < s.xpos.size() && s.xpos[k + 1] <= x)
            ++k;
        double y = s.yval[k];
        if (k + 1 < s.xpos.size() && x > s.xpos[k]) {
            const double t = (x - s.xpos[k]) / (s.xpos[k + 1] - s.xpos[k]);
            y = s.yval[k] + t * (s.yval[k + 1] - s.yval[k]);
        }
        out.xpos.push_back(x);
        out.yval.push_back(y);
        out.lines.push_back(s.lines[k]);
    }
    return out;
}

std::string explainEmptySeries(const std::string& text, int skip, int column) {
    const auto lines = splitLines(text);
    int looked = 0;
    int commaSeparated = 0;
    int decimalCommas = 0;
    std::size_t mostFields = 0;
    for (std::size_t i = static_cast<std::size_t>(std::max(skip, 0));
         i < lines.size() && looked < 200; ++i) {
        const auto fields = splitFields(lines[i]);
        if (fields.empty())
            continue;
        ++looked;
        mostFields = std::max(mostFields, fields.size());
        if (fields.size() < 2 && lines[i].find(',') != std::string_view::npos)
            ++commaSeparated;
        for (const auto f : fields) {
            const std::size_t comma = f.find(',');
            if (comma != std::string_view::npos && comma > 0 && comma + 1 < f.size() &&
                std::isdigit(static_cast<unsigned char>(f[comma - 1])) &&
                std::isdigit(static_cast<unsigned char>(f[comma + 1])) &&
                f.find(',', comma + 1) == std::string_view::npos) {
                ++decimalCommas;
                break;
            }
        }
    }
    if (looked == 0)
        return "there is no data line after the header";
    if (commaSeparated * 2 > looked)
        return "the lines look comma-separated, but fields must be separated by tabs";
    if (decimalCommas * 2 > looked)
        return "the numbers use a decimal comma, but they must use a decimal point (1.5, not 1,5)";
    if (mostFields <= static_cast<std::size_t>(column))
        return "no line has a field " + std::to_string(column) + " (the lines have at most " +
               std::to_string(mostFields) + " tab-separated field" + (mostFields == 1 ? "" : "s") +
               ", the first being the position)";
    return "no line holds a number both in field 0 (the position) and in field " +
           std::to_string(column);
}

} // namespace series
