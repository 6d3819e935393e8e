// The parameter catalogue against the tool: every entry in the help of each command that takes
// it and in the manual page, with its default; every value its rule refuses is refused by the
// tool, naming the option, and by the catalogue's own check, naming the argument as given.
#include "tests/support/RunProcess.h"

#include "core/analysis/ParameterCatalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

using namespace testing_support;
using analysis::ParameterEntry;
using analysis::ParameterId;
using analysis::ValueKind;

namespace {

const std::string cli = TONALITH_CLI;
const std::string data = std::string(TONALITH_BAD_INPUT) + "/windows_line_ends.txt";

const std::pair<analysis::Command, const char*> commands[] = {
    {analysis::Command::Analyze, "analyze"},   {analysis::Command::Peaks, "peaks"},
    {analysis::Command::Spectrum, "spectrum"}, {analysis::Command::Trace, "trace"},
    {analysis::Command::Tune, "tune"},         {analysis::Command::Tapers, "tapers"},
    {analysis::Command::Filter, "filter"},     {analysis::Command::TimeOpt, "timeopt"},
    {analysis::Command::ETimeOpt, "etimeopt"}, {analysis::Command::Misfit, "asm"}};

// Runs of white space as one space, so that wrapped lines read as one.
std::string flattened(const std::string& text) {
    return std::regex_replace(text, std::regex("\\s+"), " ");
}

// A default that is a plain number ("4", "0.06"), not words ("the median spacing").
bool plainNumber(const char* text) {
    const std::string t = text;
    return !t.empty() && t.find_first_not_of("0123456789.") == std::string::npos;
}

// "default 4", "default none", "default: the median spacing".
std::string stated(const ParameterEntry& e) {
    const bool description = std::string(e.defaultText).rfind("the ", 0) == 0;
    return std::string("default") + (description ? ": " : " ") + e.defaultText;
}

// The manual page's items (after .TP), font escapes and hyphen escapes removed.
std::vector<std::string> manualItems() {
    std::ifstream in(TONALITH_MANUAL);
    std::stringstream page;
    page << in.rdbuf();
    std::string text = std::regex_replace(page.str(), std::regex("\\\\-"), "-");
    text = std::regex_replace(text, std::regex("\\\\f[BIRP]|\\\\\\|"), "");
    std::vector<std::string> items;
    std::size_t at = 0;
    while ((at = text.find(".TP\n", at)) != std::string::npos) {
        const std::size_t end = text.find("\n.TP\n", at + 4);
        items.push_back(text.substr(at + 4, end == std::string::npos ? end : end - at - 4));
        at += 4;
    }
    return items;
}

TEST(ParameterCatalogue, EveryFlagInTheHelpAndTheManualWithItsDefault) {
    std::map<std::string, std::string> help;
    for (const auto& [command, name] : commands) {
        const ProcessResult r = runProcess(cli, {name, "--help"});
        ASSERT_EQ(r.exitCode, 0) << name;
        help[name] = flattened(r.out);
    }
    const std::vector<std::string> items = manualItems();
    ASSERT_GT(items.size(), 30u);
    int checked = 0;
    for (const ParameterEntry& e : analysis::parameterCatalogue()) {
        if (!*e.flag)
            continue;
        for (const auto& [command, name] : commands) {
            if (!analysis::takes(e.commands, command))
                continue;
            const std::string& text = help[name];
            EXPECT_NE(text.find(std::string(e.flag) + " " + e.valueName), std::string::npos)
                << e.flag << " in " << name << " --help";
            if (*e.defaultText) {
                EXPECT_NE(text.find(flattened(stated(e))), std::string::npos)
                    << e.flag << " default in " << name << " --help";
            }
            ++checked;
        }
        // An item naming the flag on its first line, which states the default.
        bool named = false, withDefault = !*e.defaultText;
        for (const std::string& item : items) {
            const std::string first = item.substr(0, item.find('\n'));
            if (!std::regex_search(first, std::regex(std::string(e.flag) + "([^a-z-]|$)")))
                continue;
            named = true;
            withDefault = withDefault || flattened(item).find(stated(e)) != std::string::npos;
        }
        EXPECT_TRUE(named) << e.flag << " has no item in the manual page";
        EXPECT_TRUE(withDefault) << e.flag << ": the manual page does not say " << stated(e);
    }
    EXPECT_GT(checked, 40);
}

// The command line that exercises an entry of the given command, with value as its value.
std::vector<std::string> commandLine(const ParameterEntry& e, const char* command,
                                     const std::string& value) {
    if (std::string(command) == "tapers")
        return {"tapers", "--length", "64", "--tapers", "2", "--tbw", "2", e.flag, value};
    std::vector<std::string> args = {command, data, "--quiet"};
    if (std::string(command) == "trace")
        args.insert(args.end(), {"--start", "300:0.05"});
    if (std::string(command) == "tune")
        args.insert(args.end(), {"--trace", "/nonexistent/trace.tsv", "--period", "41"});
    if (std::string(command) == "filter")
        args.insert(args.end(), {"--passband", "0.01:0.02"});
    if (std::string(command) == "etimeopt")
        args.insert(args.end(), {"--window-length", "100", "--step-length", "10"});
    args.push_back(e.flag);
    args.push_back(e.id == ParameterId::StartPosition    ? value + ":0.05"
                   : e.id == ParameterId::StartFrequency ? "300:" + value
                   : e.id == ParameterId::PeriodSd       ? "41:" + value
                                                         : value);
    return args;
}

// Values the rule refuses: beyond each finite bound, halfway between whole numbers, infinite.
std::vector<double> refusedValues(const ParameterEntry& e) {
    const analysis::Rule& r = e.rule;
    std::vector<double> v;
    if (std::isfinite(r.lowest))
        v.push_back(r.lowestIncluded ? r.lowest - 1 : r.lowest);
    if (std::isfinite(r.highest))
        v.push_back(r.highestIncluded ? r.highest + 1 : r.highest);
    if (e.kind == ValueKind::Integer)
        v.push_back(2.5);
    else
        v.push_back(INFINITY);
    return v;
}

TEST(ParameterCatalogue, EveryRefusedValueIsRefusedNamingTheArgument) {
    int cases = 0;
    for (const ParameterEntry& e : analysis::parameterCatalogue()) {
        if (e.kind != ValueKind::Real && e.kind != ValueKind::Integer)
            continue;
        for (const double bad : refusedValues(e)) {
            const auto problem = analysis::checkValue(e, bad, "the_argument");
            ASSERT_TRUE(problem) << e.flag << " " << bad;
            EXPECT_EQ(problem->message().rfind("the_argument: ", 0), 0u) << problem->message();
            EXPECT_NE(problem->text.find(analysis::allowedText(e)), std::string::npos);
            for (const auto& [command, name] : commands) {
                if (!*e.flag || !analysis::takes(e.commands, command))
                    continue;
                std::ostringstream value;
                value << bad;
                const ProcessResult r = runProcess(cli, commandLine(e, name, value.str()));
                EXPECT_EQ(r.exitCode, 2) << name << " " << e.flag << " " << bad << ": " << r.err;
                EXPECT_NE(r.err.find(e.flag), std::string::npos)
                    << name << " " << e.flag << " " << bad << ": " << r.err;
                ++cases;
            }
        }
        // The default itself passes the rule, where there is one.
        if (plainNumber(e.defaultText)) {
            EXPECT_FALSE(analysis::checkValue(e, e.defaultValue, "x")) << e.flag;
        }
    }
    EXPECT_GT(cases, 50);
}

} // namespace

// The names other front ends look entries up by: the window's preference keys, which stored
// settings depend on, and the flags and keywords that mean different things per command.
TEST(ParameterCatalogue, LookupsByEachFrontEndsName) {
    using C = analysis::Command;
    const std::pair<const char*, ParameterId> keys[] = {
        {"timeBandwidthProduct", ParameterId::Tbw},
        {"numberOfTapers", ParameterId::Tapers},
        {"pointsPerWindow", ParameterId::Window},
        {"windowIncrement", ParameterId::Step},
        {"fftPoints", ParameterId::Nfft},
        {"fmax", ParameterId::Fmax},
        {"probability", ParameterId::SignificanceLevels},
        {"windowDetrend", ParameterId::WindowDetrend}};
    for (const auto& [key, id] : keys) {
        const ParameterEntry* e = analysis::parameterBySettingsKey(key);
        ASSERT_NE(e, nullptr) << key;
        EXPECT_EQ(e->id, id) << key;
    }
    const std::tuple<const char*, C, ParameterId> flags[] = {
        {"--step", C::Analyze, ParameterId::Step},
        {"--step", C::Trace, ParameterId::Step},
        {"--step", C::Tune, ParameterId::AgeStep},
        {"--band", C::Trace, ParameterId::Band},
        {"--fmax", C::Spectrum, ParameterId::WholeRecordFmax},
        {"--tapers", C::Tapers, ParameterId::TaperCount},
        {"--level", C::Trace, ParameterId::TraceLevel},
        {"--workers", C::TimeOpt, ParameterId::AstroWorkers},
        {"--window-length", C::ETimeOpt, ParameterId::AstroWindowLength},
        {"--window-length", C::Tune, ParameterId::RowWindowLength},
        {"--seed", C::Tune, ParameterId::EnsembleSeed},
        {"--period", C::Tune, ParameterId::Period}};
    for (const auto& [flag, command, id] : flags) {
        const ParameterEntry* e = analysis::parameterByFlag(flag, command);
        ASSERT_NE(e, nullptr) << flag;
        EXPECT_EQ(e->id, id) << flag;
    }
    EXPECT_EQ(analysis::parameterByFlag("--band", C::Analyze), nullptr);
    EXPECT_EQ(analysis::parameterByKeyword("step", C::Tune)->id, ParameterId::AgeStep);
    EXPECT_EQ(analysis::parameterByKeyword("seed", C::Tune)->id, ParameterId::EnsembleSeed);
    EXPECT_EQ(analysis::parameterByKeyword("k", C::Tapers)->id, ParameterId::TaperCount);
}
