#include "cli/CliOptions.h"

#include "Qplot/MapColours.h"
#include "core/series/SeriesFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <tuple>

namespace cli {

std::optional<double> parseReal(const std::string& text) {
    return series::parseNumber(text);
}

std::optional<int> parseInteger(const std::string& text) {
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (std::size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return std::nullopt;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(v);
}

std::string usageText() {
    return R"(Usage:
  tonalith-cli analyze FILE [--column N|NAME] [--skip N] [--tbw X] [--tapers K]
               [--window M | --window-length L] [--step I | --step-length S]
               [--nfft N] [--fmax F | --fmax-unit F] [--keep-mean] [--records DIR]
               [--workers N]
               [--iprob P] [-o FILE] [--quiet]
               [--grid PREFIX] [--map FILE [--size WxH] [--map-of WHAT] [--mask P]
               [--colours NAME] [--reverse-x] [--title]] [--interpolate [STEP]]
               [--log] [--detrend none|linear|poly:N|lowess:F] [--standardise]
  tonalith-cli peaks FILE [analysis options as for analyze] [--level P] [--fdr Q]
               [-o FILE]
  tonalith-cli spectrum FILE [--column N|NAME] [--skip N] [--tbw X] [--tapers K]
               [--nfft N] [--fmax F] [--keep-mean] [--interpolate [STEP]] [--log]
               [--detrend ...] [--standardise] [--background ar1|robust] [--level P]
               [-o FILE] [--plot FILE [--size WxH]] [--quiet]
  tonalith-cli trace FILE [analysis options as for analyze] --start X:F [--band DF]
               [--by amplitude|probability] [-o FILE] [--quiet]
  tonalith-cli tune FILE [--column N|NAME] [--skip N] --trace TRACE --period P
               [--start-age T] [--step S] [--model FILE] [-o FILE] [--quiet]
  tonalith-cli tapers --length N --tapers K --tbw X [-o FILE]
  tonalith-cli --help
  tonalith-cli --version

analyze: evolutive multitaper harmonic analysis of one column of a data file.
  FILE            plain text, one sample per line, tab-separated fields; the first
                  field is the position (depth or time), evenly spaced.
  --column N|NAME the values: field number counting the positions as field 0
                  (default 1), or a name from the file's first line
  --skip N        header lines to skip (default 1)
  --tbw X         time-bandwidth product of the tapers (default 3)
  --tapers K      number of Slepian tapers, 1..10 (default 4)
  --window M      samples per window (default 400)
  --step I        window step in samples (default 25)
  --nfft N        transform length, at least the window (default 4096)
  --fmax F        highest frequency kept, in cycles per sample (default 0.06)
  --window-length L, --step-length S
                  the window and the step in position units (depth or time), rounded to
                  whole samples; the '#' block records the rounding
  --fmax-unit F   the highest frequency in cycles per position unit
                  Each is refused together with its twin in samples.
  --records DIR   write the engine's records fort.17, fort.20 and fort.27 into DIR
                  (default: the working directory)
  --keep-mean     analyse the values as they are (the mean is removed by default)
  --iprob P       significance level in percent for the auxiliary records (default 95)
  -o FILE         write the rows to FILE (written whole, or not at all)
  --quiet         no engine diagnostics, summary or progress bar
  --workers N     threads for the windows (default 0: one per core, at most 4); the
                  results do not depend on it
  --grid PREFIX   also write PREFIX-amplitude.tsv and PREFIX-probability.tsv: one row
                  per frequency, one column per window headed by its centre
  --map FILE      also draw the map, as the application shows it, into FILE: PDF, PNG
                  or SVG by the extension (no display needed)
  --size WxH      the map's size: pixels for PNG (default 1200x800), millimetres for
                  PDF and SVG (default 297x210, A4 landscape)
  --map-of amplitude|power|logpower|normalised|probability
                  what the map's colour shows: the line amplitude (default), its square,
                  log10 of the power, the amplitude divided by the largest of its window,
                  or the F-test probability; the contours stay those of the probability
  --mask P        draw cells whose F-test probability is below P (0 < P <= 1) transparent
  --colours NAME  the colour map: linear (default), hue, saturation, value,
                  saturation-value, alpha, viridis, cividis or greyscale
  --reverse-x     the position axis from its largest value to its smallest
  --title         a title line above the map naming the file, column and parameters (PDF
                  and SVG maps carry that title in their metadata in any case)
  --interpolate [STEP]
                  resample unevenly spaced positions linearly at STEP (default: the
                  median spacing) before the analysis
  --log           natural logarithm of the values (each must be above 0)
  --detrend none|linear|poly:N|lowess:F
                  remove the least-squares line, the polynomial of degree N (1..6), or
                  the LOWESS curve (Cleveland 1979) of span F (0 < F <= 1) in position
  --standardise   subtract the mean and divide by the standard deviation (n - 1)
                  The steps run in this order, after --interpolate; the '#' block records
                  them.
  Output: a block of '#' lines saying how the results were made (file, column,
  parameters, spacing, version), a header line "x_centre	frequency	amplitude
  probability" and one tab-separated line per window and frequency (window-major,
  frequency ascending); frequencies in cycles per position unit; numbers read back
  to the same double.
  The sample spacing is the difference of the first two positions. The engine's
  diagnostic lines, a summary and warnings go to standard error; the engine also
  writes its records to fort.17, fort.20 and fort.27 in the working directory.

peaks: the spectral lines of every window: the frequencies whose F-test probability
  reaches P (default 0.95) and is a local maximum there. Output: the '#' block, a
  header "x_centre	frequency	period	amplitude	probability" and one line per line;
  the period is 1/frequency in position units. Frequency 0 is never a line. The '#'
  block states the lines expected by chance alone per window: tested bins x (1 - P).
  --fdr Q         keep only the bins the Benjamini-Hochberg procedure keeps at false
                  discovery rate Q (0 < Q < 1) over each window's tested bins
                  (p = 1 - probability), then take the lines among them; --level then
                  applies only when given

spectrum: the spectrum of the whole record: Thomson's adaptively weighted multitaper
  power (one-sided, (value unit)^2 per (cycle per position unit), summing over the bins
  to the variance), the harmonic F-test of one window the length of the record, and a
  red-noise background with its 90, 95 and 99 % levels (chi-square, 2K degrees of
  freedom). The window is the record and the step 1; by default the transform length is
  the smallest power of two at least twice the record and every bin up to Nyquist is
  listed (--fmax 0.5).
  --background ar1|robust
                  ar1 (default): rho the lag-one autocorrelation of the analysed series;
                  robust (Mann and Lees 1996): rho and S0 fitted to the log of the power
                  median-smoothed over 20 % of the frequency range
  --level P       the F-test level a line must reach to be marked on the plot (0.95)
  --plot FILE     also draw log power with the background and its levels, and the F-test
                  probability below it, into FILE (PDF, PNG or SVG); the bins that pass
                  both the F-test and the 95 % level are marked
  Output: the '#' block (with the background, rho and S0), a header "frequency
  period	power	amplitude	probability	background	level_90	level_95	level_99"
  and one line per bin; the period of frequency 0 is written as 0.

trace: follows one spectral line through the windows: from the window whose centre is
  nearest position X, at the frequency nearest F (cycles per position unit), each next
  window in both directions takes the bin of largest amplitude (or probability) within
  the band around the previous window's frequency.
  --start X:F     where the line is followed from
  --band DF       half-width of the band in cycles per position unit (default W/2, W the
                  tapers' half-bandwidth tbw / (window x spacing))
  --by amplitude|probability
                  what decides within the band (default amplitude)
  Output: the '#' block with the start, band and criterion, a header "x_centre
  frequency	period	amplitude	probability" and one row per window in position order.

tune: an age model and the tuned series from a traced cycle of period P: between the
  trace's rows the frequency is linear in position, held at the end values beyond them;
  age(z) = T + P x (integral of f from the first sample's position to z), sedimentation
  rate 1 / (P x f(z)).
  --trace TRACE   a tab-separated file with columns named x_centre and frequency (lines
                  starting with '#' skipped): from trace, the window, R or Python
  --period P      the period of the traced cycle, in the time unit of the ages
  --start-age T   the age of the first sample (default 0)
  --step S        resample the tuned series linearly at T, T + S, ... (default: the
                  samples at their ages)
  --model FILE    also write "position	age	sedimentation_rate", one row per sample
  Output: the '#' block, a header "age" and the column's title, one row per sample or
  step.

tapers: the Slepian tapers of length N with their concentration ratios.
  Output: a header "k	lambda	one_minus_lambda" and K rows, a blank line, then a
  header "n	taper_1 ... taper_K" and N rows (n from 1).

Exit status: 0 success, 2 bad input (file, column, option or parameter), 1 the
analysis failed. Messages go to standard error.
)";
}

namespace {

struct Cursor {
    const std::vector<std::string>& args;
    std::size_t i = 0;
    bool done() const { return i >= args.size(); }
    const std::string& next() { return args[i++]; }
};

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

} // namespace

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    ParseResult result;
    auto fail = [](std::string text) {
        ParseResult failed;
        failed.error = std::move(text);
        return failed;
    };
    ParsedCommandLine p;
    if (args.empty())
        return fail("no command given (analyze, peaks, spectrum, trace, tune or tapers); see "
                    "tonalith-cli --help");
    const std::string& command = args[0];
    if (command == "--version") {
        p.command = Command::Version;
        result.parsed = p;
        return result;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        p.command = Command::Help;
        result.parsed = p;
        return result;
    }
    if (command != "analyze" && command != "peaks" && command != "spectrum" && command != "trace" &&
        command != "tune" && command != "tapers")
        return fail("unknown command " + quoted(command) +
                    " (analyze, peaks, spectrum, trace, tune or tapers); see tonalith-cli --help");

    Cursor c{args, 1};
    const bool analyze = command != "tapers"; // analyze and peaks share the analysis options
    const bool peaks = command == "peaks";
    const bool whole = command == "spectrum";
    const bool trace = command == "trace";
    const bool tune = command == "tune";
    p.command = peaks     ? Command::Peaks
                : whole   ? Command::Spectrum
                : trace   ? Command::Trace
                : tune    ? Command::Tune
                : analyze ? Command::Analyze
                          : Command::Tapers;
    // Options of a moving window or of its map mean nothing for the whole record, and tuning
    // takes the series alone.
    const bool windowed = analyze && !whole && !tune;
    const bool mapping = analyze && !peaks && !whole && !trace && !tune;
    const bool analysing = analyze && !tune;
    bool haveLength = false, haveTapers = false, haveTbw = false, haveLevel = false;
    bool haveNfft = false, haveFmax = false, haveWindow = false, haveStep = false;
    std::string error;

    auto value = [&](const std::string& option) -> std::optional<std::string> {
        if (c.done()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        return c.next();
    };
    auto integer = [&](const std::string& option, int& target) {
        const auto text = value(option);
        if (!text)
            return false;
        const auto v = parseInteger(*text);
        if (!v) {
            error = option + ": " + quoted(*text) + " is not a whole number";
            return false;
        }
        target = *v;
        return true;
    };
    auto real = [&](const std::string& option, double& target) {
        const auto text = value(option);
        if (!text)
            return false;
        const auto v = parseReal(*text);
        if (!v) {
            error = option + ": " + quoted(*text) + " is not a number";
            return false;
        }
        target = *v;
        return true;
    };

    // A length in position units: a finite number above 0.
    auto length = [&](const std::string& option, double& target) {
        if (!real(option, target))
            return false;
        if (target > 0 && std::isfinite(target))
            return true;
        error = option + ": " + args[c.i - 1] + " must be a number above 0";
        return false;
    };

    while (!c.done()) {
        const std::string arg = c.next();
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            p.command = Command::Help;
            p.helpTopic = command;
            result.parsed = p;
            return result;
        } else if (arg == "-o" || arg == "--output") {
            const auto v = value(arg);
            ok = v.has_value();
            if (ok)
                (analyze ? p.analyze.output : p.tapers.output) = *v;
            if (ok && v->empty()) {
                error = arg + " needs a file name";
                ok = false;
            }
        } else if (analyze && arg == "--column") {
            const auto v = value(arg);
            ok = v.has_value();
            if (ok)
                p.analyze.column = *v;
        } else if (analyze && arg == "--skip") {
            ok = integer(arg, p.analyze.skip);
        } else if (trace && arg == "--start") {
            const auto v = value(arg);
            ok = v.has_value();
            if (ok) {
                const std::size_t colon = v->find(':');
                const auto x =
                    colon == std::string::npos ? std::nullopt : parseReal(v->substr(0, colon));
                const auto f =
                    colon == std::string::npos ? std::nullopt : parseReal(v->substr(colon + 1));
                ok = x && f && std::isfinite(*x) && std::isfinite(*f) && *f > 0;
                if (ok) {
                    p.analyze.startPosition = *x;
                    p.analyze.startFrequency = *f;
                    p.analyze.haveStart = true;
                } else {
                    error = "--start: " + quoted(*v) +
                            " is not POSITION:FREQUENCY with a frequency above 0";
                }
            }
        } else if (trace && arg == "--band") {
            ok = length(arg, p.analyze.band);
        } else if (trace && arg == "--by") {
            const auto v = value(arg);
            const auto by = v ? tuning::parseTraceBy(*v) : std::nullopt;
            ok = by.has_value();
            if (ok)
                p.analyze.traceBy = *by;
            else if (v)
                error = "--by: " + quoted(*v) + " is not amplitude or probability";
        } else if (tune && arg == "--trace") {
            const auto v = value(arg);
            ok = v.has_value() && !v->empty();
            if (ok)
                p.analyze.traceFile = *v;
            else if (v)
                error = "--trace needs a file name";
        } else if (tune && arg == "--period") {
            ok = length(arg, p.analyze.period);
        } else if (tune && arg == "--start-age") {
            ok = real(arg, p.analyze.startAge);
            if (ok && !std::isfinite(p.analyze.startAge)) {
                error = "--start-age: " + args[c.i - 1] + " is not a finite number";
                ok = false;
            }
        } else if (tune && arg == "--step") {
            ok = length(arg, p.analyze.tuneStep);
        } else if (tune && arg == "--model") {
            const auto v = value(arg);
            ok = v.has_value() && !v->empty();
            if (ok)
                p.analyze.model = *v;
            else if (v)
                error = "--model needs a file name";
        } else if ((analysing || !analyze) && arg == "--tbw") {
            ok = real(arg, analyze ? p.analyze.params.tbw : p.tapers.tbw);
            haveTbw = true;
        } else if ((analysing || !analyze) && arg == "--tapers") {
            ok = integer(arg, analyze ? p.analyze.params.kspec : p.tapers.tapers);
            haveTapers = true;
        } else if (windowed && arg == "--window") {
            ok = integer(arg, p.analyze.params.mpts);
            haveWindow = true;
        } else if (windowed && arg == "--step") {
            ok = integer(arg, p.analyze.params.inc);
            haveStep = true;
        } else if (windowed && arg == "--window-length") {
            ok = length(arg, p.analyze.windowLength);
        } else if (windowed && arg == "--step-length") {
            ok = length(arg, p.analyze.stepLength);
        } else if (analysing && arg == "--fmax-unit") {
            ok = length(arg, p.analyze.fmaxPerUnit);
        } else if (analysing && arg == "--records") {
            const auto v = value(arg);
            ok = v.has_value() && !v->empty();
            if (ok)
                p.analyze.records = *v;
            else if (v)
                error = "--records needs a folder";
        } else if (analysing && arg == "--nfft") {
            ok = integer(arg, p.analyze.params.nfft);
            haveNfft = true;
        } else if (analysing && arg == "--fmax") {
            ok = real(arg, p.analyze.params.fmax);
            haveFmax = true;
        } else if (windowed && arg == "--workers") {
            ok = integer(arg, p.analyze.workers);
            if (ok && (p.analyze.workers < 0 || p.analyze.workers > 64)) {
                error = "--workers: " + args[c.i - 1] +
                        " is not 0 (one per core) or a number of threads up to 64";
                ok = false;
            }
        } else if (windowed && arg == "--iprob") {
            ok = integer(arg, p.analyze.iprob);
        } else if (analysing && arg == "--keep-mean") {
            p.analyze.keepMean = true;
        } else if (analyze && arg == "--quiet") {
            p.analyze.quiet = true;
        } else if (mapping && arg == "--grid") {
            const auto v = value(arg);
            ok = v.has_value() && !v->empty();
            if (ok)
                p.analyze.grid = *v;
            else if (v)
                error = "--grid needs a file name prefix";
        } else if (mapping && arg == "--map") {
            const auto v = value(arg);
            ok = v.has_value() && !v->empty();
            if (ok) {
                p.analyze.map = *v;
                const std::size_t dot = v->rfind('.');
                std::string ext = dot == std::string::npos ? "" : v->substr(dot + 1);
                for (char& ch : ext)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                if (ext != "pdf" && ext != "png" && ext != "svg") {
                    error = "--map: " + quoted(*v) + " does not end in .pdf, .png or .svg";
                    ok = false;
                }
            } else if (v) {
                error = "--map needs a file name";
            }
        } else if ((mapping || whole) && arg == "--size") {
            const auto v = value(arg);
            ok = v.has_value();
            if (ok) {
                const std::size_t x = v->find_first_of("xX");
                const auto w = x == std::string::npos ? std::nullopt : parseReal(v->substr(0, x));
                const auto h = x == std::string::npos ? std::nullopt : parseReal(v->substr(x + 1));
                ok = w && h && *w >= 1 && *h >= 1 && *w <= 20000 && *h <= 20000;
                if (ok) {
                    p.analyze.mapWidth = *w;
                    p.analyze.mapHeight = *h;
                } else {
                    error =
                        "--size: " + quoted(*v) + " is not a size WxH between 1x1 and 20000x20000";
                }
            }
        } else if (mapping && arg == "--map-of") {
            const auto v = value(arg);
            const auto of = v ? results::parseMapOf(*v) : std::nullopt;
            ok = of.has_value();
            if (ok)
                p.analyze.mapOf = *of;
            else if (v)
                error = "--map-of: " + quoted(*v) +
                        " is not amplitude, power, logpower, normalised or probability";
        } else if (mapping && arg == "--mask") {
            ok = real(arg, p.analyze.maskLevel);
            if (ok && !(p.analyze.maskLevel > 0 && p.analyze.maskLevel <= 1)) {
                error =
                    "--mask: the probability " + args[c.i - 1] + " must lie above 0 and at most 1";
                ok = false;
            }
        } else if (mapping && arg == "--colours") {
            const auto v = value(arg);
            ok = v.has_value() && mapColourCode(v->c_str()) >= 0;
            if (ok)
                p.analyze.colours = mapColourCode(v->c_str());
            else if (v)
                error = "--colours: " + quoted(*v) +
                        " is not linear, hue, saturation, value, saturation-value, alpha, "
                        "viridis, cividis or greyscale";
        } else if (mapping && arg == "--reverse-x") {
            p.analyze.reverseX = true;
        } else if (mapping && arg == "--title") {
            p.analyze.mapTitle = true;
        } else if (analysing && arg == "--log") {
            p.analyze.preparation.log = true;
        } else if (analysing && arg == "--standardise") {
            p.analyze.preparation.standardise = true;
        } else if (analysing && arg == "--detrend") {
            const auto v = value(arg);
            ok = v.has_value();
            if (ok) {
                std::string why;
                const auto detrend = series::parseDetrend(*v, &why);
                if (detrend)
                    p.analyze.preparation.detrend = *detrend;
                else
                    error = "--detrend: " + why;
                ok = detrend.has_value();
            }
        } else if (analysing && arg == "--interpolate") {
            p.analyze.interpolate = true;
            if (!c.done()) {
                if (const auto step = parseReal(args[c.i])) {
                    c.next();
                    if (!(*step > 0) || !std::isfinite(*step)) {
                        error = "--interpolate: the step " + args[c.i - 1] +
                                " must be a number above 0";
                        ok = false;
                    } else {
                        p.analyze.interpolateStep = *step;
                    }
                }
            }
        } else if ((peaks || whole) && arg == "--level") {
            ok = real(arg, p.analyze.level);
            haveLevel = true;
            if (ok && !(p.analyze.level > 0 && p.analyze.level <= 1)) {
                error =
                    "--level: the probability " + args[c.i - 1] + " must lie above 0 and at most 1";
                ok = false;
            }
        } else if (peaks && arg == "--fdr") {
            ok = real(arg, p.analyze.fdr);
            if (ok && !(p.analyze.fdr > 0 && p.analyze.fdr < 1)) {
                error = "--fdr: the false discovery rate " + args[c.i - 1] +
                        " must lie above 0 and below 1";
                ok = false;
            }
        } else if (whole && arg == "--background") {
            const auto v = value(arg);
            ok = v && spectrum::parseBackgroundKind(*v, p.analyze.background);
            if (!ok && v)
                error = "--background: " + quoted(*v) + " is not ar1 or robust";
        } else if (whole && arg == "--plot") {
            const auto v = value(arg);
            ok = v.has_value() && !v->empty();
            if (ok) {
                p.analyze.plot = *v;
                const std::size_t dot = v->rfind('.');
                std::string ext = dot == std::string::npos ? "" : v->substr(dot + 1);
                for (char& ch : ext)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                if (ext != "pdf" && ext != "png" && ext != "svg") {
                    error = "--plot: " + quoted(*v) + " does not end in .pdf, .png or .svg";
                    ok = false;
                }
            } else if (v) {
                error = "--plot needs a file name";
            }
        } else if (!analyze && arg == "--length") {
            ok = integer(arg, p.tapers.length);
            haveLength = true;
        } else if (analyze && !arg.empty() && arg[0] != '-' && p.analyze.file.empty()) {
            p.analyze.file = arg;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + quoted(arg) + " for " + command + "; see tonalith-cli " +
                    command + " --help";
            ok = false;
        } else {
            error = "unexpected argument " + quoted(arg);
            ok = false;
        }
        if (!ok)
            return fail(error);
    }

    if (analyze) {
        for (const auto& [units, given, twin] :
             {std::tuple{"--window-length", p.analyze.windowLength > 0 && haveWindow, "--window"},
              std::tuple{"--step-length", p.analyze.stepLength > 0 && haveStep, "--step"},
              std::tuple{"--fmax-unit", p.analyze.fmaxPerUnit > 0 && haveFmax, "--fmax"}})
            if (given)
                return fail(std::string(units) + " and " + twin +
                            " set the same thing, in position units and in samples; give one");
        if (trace && !p.analyze.haveStart)
            return fail("trace needs --start POSITION:FREQUENCY, where the line is to be followed "
                        "from");
        if (tune && (p.analyze.traceFile.empty() || !(p.analyze.period > 0)))
            return fail("tune needs --trace FILE and --period P (the period of the traced cycle)");
        if (peaks && p.analyze.fdr > 0 && !haveLevel)
            p.analyze.level = 0; // the false-discovery control alone decides
        if (whole) {
            if (!haveNfft)
                p.analyze.params.nfft = 0; // from the record's length
            if (!haveFmax)
                p.analyze.params.fmax = 0.5;
        }
        const AnalyzeOptions& a = p.analyze;
        if (a.map.empty() && (a.mapOf != results::MapOf::Amplitude || a.maskLevel > 0 ||
                              a.colours != 0 || a.reverseX || a.mapTitle))
            return fail("--map-of, --mask, --colours, --reverse-x and --title shape the map: "
                        "give --map FILE too");
        if (p.analyze.file.empty())
            return fail(command + " needs a data file; see tonalith-cli " + command + " --help");
        if (p.analyze.skip < 0)
            return fail("--skip " + std::to_string(p.analyze.skip) +
                        ": the number of header lines cannot be negative");
    } else {
        if (!haveLength || !haveTapers || !haveTbw)
            return fail("tapers needs --length, --tapers and --tbw");
    }
    result.parsed = p;
    return result;
}

} // namespace cli
