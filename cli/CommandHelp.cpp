#include "cli/CommandHelp.h"

#include <memory>
#include <sstream>

namespace cli::help {

namespace {

using Tool = analysis::Command;

constexpr std::size_t column = 28;
constexpr std::size_t width = 80;

// Text broken into lines of at most width characters.
std::string wrapped(const std::string& text, std::size_t lineWidth) {
    std::istringstream words(text);
    std::string out, line, word;
    while (words >> word) {
        if (!line.empty() && line.size() + 1 + word.size() > lineWidth) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

// The synopsis lists every option of the command, required ones without brackets.
class HelpFormat : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        std::string text = "Usage: tonalith-cli " + app->get_name();
        std::size_t lineStart = 0;
        for (const CLI::Option* o : app->get_options()) {
            if (o->check_lname("help"))
                continue;
            std::string item = o->get_positional()       ? o->get_name(true)
                               : o->get_snames().empty() ? "--" + o->get_lnames().front()
                                                         : "-" + o->get_snames().front();
            if (!o->get_option_text().empty())
                item += " " + o->get_option_text();
            if (!o->get_required() && !o->get_positional())
                item.insert(0, "[").push_back(']');
            if (text.size() - lineStart + 1 + item.size() > width) {
                text += "\n      ";
                lineStart = text.size() - 6;
            }
            text += " " + item;
        }
        return text + "\n\n";
    }
};

struct CommandText {
    const char* description;
    const char* footer;
};

// What each command does and writes: the part of the help that is not about one option.
CommandText commandText(Tool tool) {
    switch (tool) {
    case Tool::Analyze:
        return {"analyze: evolutive multitaper harmonic analysis of one column of a data file.",
                "Output: a block of '#' lines saying how the results were made (file, column, "
                "parameters, spacing, version), a header line \"x_centre frequency amplitude "
                "probability\" and one tab-separated line per window and frequency (window-major, "
                "frequency ascending); frequencies in cycles per position unit; numbers read back "
                "to the same double. The sample spacing is the difference of the first two "
                "positions. The engine's diagnostic lines, a summary and warnings go to standard "
                "error."};
    case Tool::Peaks:
        return {"peaks: the spectral lines of every window: the frequencies whose F-test "
                "probability reaches the level and is a local maximum there. Frequency 0 is never "
                "a line. Analysis and preparation as for analyze; --step is the window step in "
                "samples.",
                "Output: the '#' block, which states the lines expected by chance alone per "
                "window, a header \"x_centre frequency period amplitude probability\" and one line "
                "per line; the period is 1/frequency in position units."};
    case Tool::Spectrum:
        return {"spectrum: the spectrum of the whole record: Thomson's adaptively weighted "
                "multitaper power (one-sided, summing over the bins to the variance), the "
                "harmonic F-test of one window the length of the record, and a red-noise "
                "background (the power the estimate gives the fitted AR(1) noise on average) "
                "with its 90, 95 and 99 % levels (chi-square, with each bin's own degrees of "
                "freedom from the adaptive weights).",
                "Output: the '#' block (with the background, rho and S0), a header \"frequency "
                "period power amplitude probability background level_90 level_95 level_99 dof "
                "reliable\" and one line per bin; dof is the bin's degrees of freedom, on which "
                "its levels are built; reliable is 0 in the lowest bins, where the levels cannot "
                "be trusted (the '#' block says why), 1 elsewhere; the period of frequency 0 is "
                "written as NA."};
    case Tool::Trace:
        return {"trace: follows one spectral line through the windows: from the start window, "
                "each next window in both directions takes the bin of largest amplitude (or "
                "probability) within the band around the previous window's frequency; --band is "
                "the half-width of that band. Analysis and preparation as for analyze; --step is "
                "the window step in samples.",
                "Output: the '#' block with the start, band and criterion, a header \"x_centre "
                "frequency period amplitude probability flag\" and one row per window in "
                "position order; flag is the most serious of drift (with --period only: the "
                "frequency departs from 1 / P by more than the half-bandwidth W; a cycle keeps "
                "its period in time, so the row is no longer that cycle, however small the steps "
                "that led there), jump (the frequency moved by more than half of --band from the "
                "neighbouring window), edge (the bin sits on the search band's edge), weak "
                "(probability below --level), else ok."};
    case Tool::Tune:
        return {"tune: an age model and the tuned series from a traced cycle of period P: "
                "between the trace's rows the frequency is linear in position, held at the end "
                "values beyond them; age(z) = T + P x (integral of f from the first sample's "
                "position to z), sedimentation rate 1 / (P x f(z)). Here --step is an age step, "
                "not a window step. A trace with rows flagged jump, edge or drift is refused "
                "unless --accept-flags is given. When the positions are ages (the trace was "
                "made with --period, or the record's position title names a time unit such as "
                "ka) and the trace's '#' block gives W, so is every row whose frequency departs "
                "from 1 / P by more than W: P is then in the positions' unit. With --sedrate "
                "instead of --trace and --period: the rate s (cm/kyr) linear in position between "
                "the track's rows, held at the ends, and age(z) = T + integral of 100 / s(z) dz, "
                "z in metres (--positions-in).",
                "Output: the '#' block, a header \"age\" and the column's title, one row per "
                "sample or step. With --ensemble N the model file appends \"age_low age_median "
                "age_high\", the band of N models drawn from the rows' intervals, and the '#' "
                "block states the duration with its interval and any possible hiatus; --anchor "
                "pins the ages to known ones."};
    case Tool::Filter:
        return {"filter: a zero-phase band-pass of the prepared series with smooth edges (a "
                "raised cosine over a quarter of the band's width beyond each edge) and the "
                "amplitude envelope of its output, the modulus of the analytic signal. The band "
                "is --passband, not --band (the half-width of trace's search band). Near the "
                "record's ends the filter sees only part of its span and both outputs sag: edge "
                "is 1 where the envelope of a unit sinusoid at the band's centre, filtered alike "
                "over the same samples, falls below 0.9, else 0.",
                "Output: the '#' block, a header \"position value filtered envelope edge\" and "
                "one row per sample; value is the series after preparation."};
    case Tool::TimeOpt:
        return {"timeopt: the astronomical test (TimeOpt, Meyers 2015) over trial sedimentation "
                "rates s (cm/kyr): positions z (metres) become times t = 100 z / s (kyr); on the "
                "linearly detrended, standardised series r2_power is the variance explained by "
                "cosines and sines at every target period, r2_envelope that of the precession "
                "band's amplitude envelope explained at the eccentricity periods, and r2_opt = "
                "r2_envelope x r2_power. r2_envelope leaves out the record's edges, for the "
                "record and its surrogates alike: the samples where the envelope of a unit "
                "sinusoid at the band's centre, filtered alike, falls below 0.9 (filter's edge "
                "column); where too few samples are left it is 0. A rate is scored only when the "
                "whole precession band lies below the Nyquist frequency in time. With --sims N, "
                "p = (1 + surrogates reaching the record's largest r2_opt) / (N + 1), over AR(1) "
                "surrogates with the record's lag-1 autocorrelation. With --age-ma A the "
                "precession and obliquity periods are those of A Ma: the precession constant k "
                "grows back in time with the Earth-Moon system's tidal evolution (after Waltham "
                "2015: the Moon's distance from a tidal torque falling as its distance to the "
                "-6th power, set by the Elatina tidal rhythmites at 620 Ma, Williams 2000; the "
                "Earth's spin from angular momentum), the periods are 1 / (k + g_i) and 1 / (k + "
                "s_i) with the La2004 frequencies, and the '#' block writes k and every period. "
                "Obliquity periods (default: La2004, Laskar et al. 2004) are not fitted here. "
                "Before the optimum the '#' block says what it means: \"# caution: ...\" where it "
                "lies at the edge of the rate grid, was not tested (no --sims) or is not "
                "significant at the 0.05 level, with \"# candidates:\", every local maximum of "
                "r2_opt above half the largest.",
                "Output: the '#' block ending with \"# optimal sedimentation rate: X cm/kyr\", "
                "\"# r2_opt: Y\" and, with --sims, \"# p-value: P (N simulations)\", a header "
                "\"sedimentation_rate r2_envelope r2_power r2_opt\" and one row per scored "
                "rate."};
    case Tool::ETimeOpt:
        return {"etimeopt: the astronomical test of timeopt in moving windows of "
                "--window-length position units stepped by --step-length (Meyers 2019), "
                "r2_envelope leaving out each window's edges as timeopt leaves out the record's. "
                "With --sims N every window is tested as timeopt tests the record, against AR(1) "
                "surrogates with the window's own lag-1 autocorrelation, and --fdr controls the "
                "false discoveries over the windows. In each window the harmonic F-test's lines "
                "are set against the astronomical targets (the average spectral misfit of asm, "
                "with --asm-sims random line sets) to say which candidate rate they support.",
                "Output: the '#' block, a header \"x_centre sedimentation_rate r2_envelope "
                "r2_power r2_opt\" and one row per window and scored rate; --track writes "
                "\"x_centre sedimentation_rate r2_opt p_value flag identified_rate\", one row per "
                "window, which tune --sedrate takes."};
    case Tool::Misfit:
        return {"asm: the average spectral misfit (Meyers and Sageman 2007) of the record's "
                "harmonic F-test lines (one window the length of the record; --level, --tbw, "
                "--tapers, --nfft as spectrum's) over trial sedimentation rates s (cm/kyr): at "
                "each rate the lines' frequencies are put into time, each astronomical target "
                "between the record's Rayleigh and Nyquist frequencies is matched with its "
                "nearest line, and the misfit is the root mean square of those distances in "
                "cycles/kyr. Obliquity targets (kind o in --targets) count only where a line lies "
                "within the tapers' half-bandwidth, so that a missing obliquity line never counts "
                "against a rate. p_null is the share of --sims random line sets (as many lines, "
                "uniform between the Rayleigh and Nyquist frequencies) fitting as well; the best "
                "rate's is multiplied by the number of rates tried, the paper's allowance "
                "(critical level 1/n).",
                "Output: the '#' block ending with \"# best sedimentation rate: X cm/kyr\", its "
                "misfit and null probability, a header \"sedimentation_rate misfit p_null\" and "
                "one row per rate with at least two targets to count."};
    case Tool::Tapers:
        break;
    }
    return {"tapers: the Slepian tapers of length N with their concentration ratios.",
            "Output: a header \"k lambda one_minus_lambda\" and K rows, a blank line, then a "
            "header \"n taper_1 ... taper_K\" and N rows (n from 1)."};
}

} // namespace

const char* const overview =
    "tonalith-cli: evolutive multitaper harmonic analysis of a measured series.\n"
    "Usage: tonalith-cli COMMAND FILE [OPTIONS] (COMMAND: analyze, peaks, spectrum, trace, "
    "tune,\n"
    "       filter, timeopt, etimeopt, asm)\n"
    "       tonalith-cli tapers --length N --tapers K --tbw X [-o FILE]\n"
    "       tonalith-cli [COMMAND] --help\n"
    "       tonalith-cli --version\n\n";

const char* const exitStatus =
    "Exit status: 0 success, 2 bad input (file, column, option or parameter), 1 the analysis\n"
    "failed. Messages go to standard error.\n";

std::string describe(const std::string& text) {
    return wrapped(text, width - column);
}

std::string defaultText(const analysis::ParameterEntry& e) {
    const bool description = std::string_view(e.defaultText).substr(0, 4) == "the ";
    return std::string(description ? " (default: " : " (default ") + e.defaultText + ")";
}

std::string entryLine(const analysis::ParameterEntry& e) {
    std::string text = e.help;
    if (e.kind == analysis::ValueKind::Real || e.kind == analysis::ValueKind::Integer)
        text += "; " + analysis::allowedText(e);
    if (*e.defaultText)
        text += defaultText(e);
    else if (e.commands == static_cast<analysis::Commands>(Tool::Tapers))
        text += " (required)";
    return text;
}

void formatCommand(CLI::App& cmd, Tool tool) {
    const CommandText words = commandText(tool);
    cmd.description(wrapped(words.description, width));
    cmd.footer(wrapped(words.footer, width));
    auto format = std::make_shared<HelpFormat>();
    format->column_width(column);
    format->label("Positionals", "Input file");
    cmd.formatter(format);
}

} // namespace cli::help
