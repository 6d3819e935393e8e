#include "python/extension/AstroArguments.h"

#include "core/astro/TargetsAtAge.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"
#include "core/units/RecordUnits.h"
#include "python/extension/Refusals.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <utility>

namespace py = pybind11;

namespace pymodule {

std::string argumentOf(const astro::Problem& problem) {
    return problem.parameter ? analysis::parameter(*problem.parameter).keyword : "values";
}

void refuse(const astro::Problem& problem) {
    throw py::value_error(argumentOf(problem) + ": " + problem.text);
}

astro::Band bandArgument(const py::object& band, const char* name) {
    const auto refused = [&] {
        return py::value_error(std::string(name) + ": give two numbers (low, high), not " +
                               py::repr(band).cast<std::string>());
    };
    if (!py::isinstance<py::sequence>(band) || py::isinstance<py::str>(band) || py::len(band) != 2)
        throw refused();
    try {
        const auto limits = band.cast<std::pair<double, double>>();
        return {limits.first, limits.second};
    } catch (const py::cast_error&) {
        throw refused();
    }
}

double positionUnit(const std::string& unit) {
    const auto metres = units::metresPer(unit);
    if (!metres)
        throw py::value_error("positions_in: '" + unit + "' is not a unit; give m, cm or mm");
    return *metres;
}

namespace {

astro::Targets targetsFromFile(const std::string& path) {
    std::string why;
    const auto text = series::readText(path, &why);
    if (!text)
        throw py::value_error("targets: cannot read " + path + ": " + why);
    const astro::TargetsRead read = astro::readTargets(*text);
    if (read.problem)
        throw py::value_error("targets: " + path + ": " + read.problem->text);
    return read.targets;
}

astro::Targets targetsFromPairs(const py::object& pairs) {
    astro::Targets t;
    t.eccentricity.clear();
    t.obliquity.clear();
    t.precession.clear();
    int row = 0;
    for (const py::handle item : pairs) {
        const std::string where = "targets: row " + std::to_string(++row) + ": ";
        std::pair<double, std::string> target;
        try {
            target = item.cast<std::pair<double, std::string>>();
        } catch (const py::cast_error&) {
            throw py::value_error(where + "give a pair (period, kind), not " +
                                  py::repr(item).cast<std::string>());
        }
        const auto [period, kind] = target;
        if (!(period > 0) || !std::isfinite(period))
            throw py::value_error(where + "the period " + text::exactNumber(period) +
                                  " must be a number above 0 (kyr)");
        if (kind != "e" && kind != "o" && kind != "p") {
            std::string message = where;
            message += "the kind must be e (eccentricity), o (obliquity) or p (precession), not '";
            message += kind;
            message += "'";
            throw py::value_error(message);
        }
        (kind == "e" ? t.eccentricity : kind == "o" ? t.obliquity : t.precession).push_back(period);
    }
    if (t.eccentricity.empty() || t.precession.empty())
        throw py::value_error("targets: both kinds are needed, e (eccentricity) and p "
                              "(precession)");
    return t;
}

// An age in Ma the Earth-Moon model covers, or none.
std::optional<double> ageArgument(const py::object& ageMa, const py::object& targets) {
    if (ageMa.is_none())
        return std::nullopt;
    if (!targets.is_none())
        throw py::value_error("age_ma: give age_ma or targets, not both: the age sets the "
                              "precession and obliquity periods that targets would replace");
    if (PyBool_Check(ageMa.ptr()) || !PyNumber_Check(ageMa.ptr()))
        throw py::value_error("age_ma: give an age in Ma, not " +
                              py::repr(ageMa).cast<std::string>());
    const double age = py::float_(ageMa).cast<double>();
    if (const auto problem = astro::checkAge(age))
        refuse(*problem);
    return age;
}

py::array_t<double> periods(const std::vector<double>& v) {
    return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
}

} // namespace

TestSettings timeOptSettings(const std::string& positionsIn, double sedmin, double sedmax,
                             int numsed, bool linearGrid, const py::object& precessionBand,
                             const py::object& targets, const py::object& ageMa) {
    TestSettings test;
    astro::TimeOptSettings& s = test.settings;
    s.metresPerUnit = positionUnit(positionsIn);
    s.grid = {sedmin, sedmax, numsed, linearGrid};
    s.precessionBand = bandArgument(precessionBand, "precession_band");
    if ((test.ageMa = ageArgument(ageMa, targets))) {
        s.targets = astro::targetsAtAge(*test.ageMa);
        return test;
    }
    if (targets.is_none())
        return test;
    const py::object path = py::module_::import("os").attr("PathLike");
    if (py::isinstance<py::str>(targets) || py::isinstance(targets, path))
        s.targets = targetsFromFile(py::str(py::module_::import("os").attr("fspath")(targets)));
    else
        s.targets = targetsFromPairs(targets);
    return test;
}

void addTargets(py::dict& result, const TestSettings& test) {
    const astro::Targets& t = test.settings.targets;
    py::dict targets;
    targets["eccentricity"] = periods(t.eccentricity);
    targets["obliquity"] = periods(t.obliquity);
    targets["precession"] = periods(t.precession);
    result["targets"] = targets;
    result["age_ma"] = test.ageMa ? py::object(py::float_(*test.ageMa)) : py::none();
    result["precession_constant"] =
        test.ageMa ? py::object(py::float_(astro::precessionConstantAt(*test.ageMa))) : py::none();
}

std::uint64_t seedArgument(const py::object& seed, analysis::ParameterId id) {
    const analysis::ParameterEntry& e = analysis::parameter(id);
    if (PyLong_Check(seed.ptr()) && !PyBool_Check(seed.ptr())) {
        const long long v = PyLong_AsLongLong(seed.ptr());
        if (!PyErr_Occurred()) {
            if (const auto problem = analysis::checkValue(e, static_cast<double>(v), "seed"))
                throw py::value_error(problem->message());
            return static_cast<std::uint64_t>(v);
        }
        PyErr_Clear();
    }
    throw py::value_error("seed: give " + analysis::allowedText(e) + ", not " +
                          py::repr(seed).cast<std::string>());
}

void checkSimulations(int sims) {
    if (sims < 0)
        throw py::value_error("sims: give 0 (no significance) or more, not " +
                              std::to_string(sims));
    const analysis::ParameterEntry& e = analysis::parameter(analysis::ParameterId::Simulations);
    if (const auto problem = analysis::checkValue(e, sims, "sims"))
        throw py::value_error(problem->message());
}

void checkEntry(analysis::ParameterId id, double value, const char* keyword) {
    if (const auto problem = analysis::checkValue(analysis::parameter(id), value, keyword))
        throw py::value_error(problem->message());
}

analysis::RunParameters lineTest(double tbw, int tapers, const py::object& nfft, int window,
                                 int step) {
    checkEntry(analysis::ParameterId::MisfitTbw, tbw, "tbw");
    checkEntry(analysis::ParameterId::MisfitTapers, tapers, "tapers");
    analysis::RunParameters q;
    q.tbw = tbw;
    q.tapers = tapers;
    q.window = window;
    q.step = step;
    q.nfft = analysis::wholeRecordTransformLength(window);
    if (!nfft.is_none()) {
        const int n = nfft.cast<int>();
        checkEntry(analysis::ParameterId::WholeRecordNfft, n, "nfft");
        q.nfft = n;
    }
    q.fmax = 0.5;
    return q;
}

py::object modeRows(const astro::RateInterval& interval) {
    const py::module_ np = py::module_::import("numpy");
    py::list fields;
    for (const char* name : {"low", "high", "peak", "share"})
        fields.append(py::make_tuple(name, "f8"));
    py::array out = np.attr("zeros")(interval.modes.size(), np.attr("dtype")(fields));
    const auto column = [&](double astro::RateMode::*field) {
        py::list c;
        for (const astro::RateMode& m : interval.modes)
            c.append(m.*field);
        return c;
    };
    out["low"] = column(&astro::RateMode::low);
    out["high"] = column(&astro::RateMode::high);
    out["peak"] = column(&astro::RateMode::peak);
    out["share"] = column(&astro::RateMode::share);
    return std::move(out);
}

} // namespace pymodule
