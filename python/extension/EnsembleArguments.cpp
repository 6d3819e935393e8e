#include "python/extension/EnsembleArguments.h"

#include "core/analysis/ParameterCatalogue.h"
#include "core/service/CycleReadings.h"
#include "core/text/NumberText.h"
#include "core/tuning/Hiatus.h"
#include "core/tuning/RowIntervals.h"
#include "python/extension/AnalysisRuns.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/TuningArguments.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

namespace py = pybind11;

namespace pymodule {

namespace {

using analysis::ParameterId;

void check(ParameterId id, double value, const char* keyword) {
    if (const auto problem = analysis::checkValue(analysis::parameter(id), value, keyword))
        throw py::value_error(problem->message());
}

std::vector<tuning::Anchor> anchorList(const py::object& anchors) {
    std::vector<tuning::Anchor> out;
    if (anchors.is_none())
        return out;
    for (const py::handle item : anchors) {
        std::vector<double> v;
        try {
            for (const py::handle x : item)
                v.push_back(x.cast<double>());
        } catch (const py::error_already_set&) {
            v.clear();
        } catch (const py::cast_error&) {
            v.clear();
        }
        const bool finite =
            std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
        if ((v.size() != 2 && v.size() != 3) || !finite || (v.size() == 3 && v[2] < 0))
            throw py::value_error("anchors: item " + std::to_string(out.size() + 1) + ", " +
                                  py::repr(item).cast<std::string>() +
                                  ", is not (position, age) or (position, age, sd) with finite "
                                  "numbers and sd 0 or more");
        out.push_back({v[0], v[1], v.size() == 3 ? v[2] : 0.0});
    }
    return out;
}

py::array_t<double> array(const std::vector<double>& v) {
    return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
}

py::list missList(const tuning::AgeEnsemble& e, const std::vector<tuning::Anchor>& anchors) {
    py::list out;
    for (std::size_t j = 0; j < anchors.size(); ++j) {
        py::dict d;
        d["position"] = anchors[j].position;
        d["age"] = anchors[j].age;
        d["sd"] = anchors[j].sd;
        d["model"] = e.misses[j].model;
        d["miss"] = e.misses[j].miss;
        d["miss_sd"] = std::isfinite(e.misses[j].inSd) ? py::object(py::float_(e.misses[j].inSd))
                                                       : py::object(py::none());
        out.append(d);
    }
    return out;
}

py::list hiatusList(const std::vector<tuning::PossibleHiatus>& hiatuses) {
    py::list out;
    for (const tuning::PossibleHiatus& h : hiatuses) {
        py::dict d;
        d["position"] = h.position;
        d["first"] = h.first;
        d["last"] = h.last;
        py::list signs;
        for (const std::string& sign : h.signs)
            signs.append(sign);
        d["signs"] = signs;
        out.append(d);
    }
    return out;
}

} // namespace

EnsembleArguments ensembleArguments(int ensemble, const py::object& seed, double interval,
                                    const py::object& windowLength, double periodSd,
                                    const py::object& anchors, bool returnEnsemble, double startAge,
                                    const std::vector<double>& z) {
    EnsembleArguments a;
    check(ParameterId::Ensemble, ensemble, "ensemble");
    check(ParameterId::Interval, interval, "interval");
    check(ParameterId::PeriodSd, periodSd, "period_sd");
    if (!windowLength.is_none()) {
        a.windowLength = windowLength.cast<double>();
        check(ParameterId::RowWindowLength, *a.windowLength, "window_length");
    }
    if (returnEnsemble && ensemble == 0)
        throw py::value_error("return_ensemble: the ensemble is returned with ensemble=N; give it "
                              "too");
    a.settings.members = ensemble;
    a.settings.seed = seedArgument(seed, ParameterId::EnsembleSeed);
    a.settings.probability = interval;
    a.settings.startAge = startAge;
    a.settings.keepMembers = returnEnsemble;
    a.settings.anchors = anchorList(anchors);
    a.periodSd = periodSd;
    if (!a.settings.anchors.empty() && startAge != 0)
        throw py::value_error("start_age: the anchors give the ages; give start_age or anchors, "
                              "never both");
    if (const auto problem = tuning::checkAnchors(a.settings.anchors, z))
        throw py::value_error("anchors: " + *problem);
    if (ensemble > 0)
        if (const auto tooLarge = tuning::ensembleTooLarge(z.size(), ensemble))
            throw py::value_error("ensemble: " + *tooLarge);
    return a;
}

std::optional<tuning::RowSpread> structuredSpread(const py::object& table, bool structured,
                                                  const std::vector<double>& position,
                                                  const std::vector<double>& value,
                                                  const char* lowField, const char* highField,
                                                  std::string* why) {
    std::map<std::string, std::vector<double>> columns;
    if (structured) {
        const py::object names = table.attr("dtype").attr("names");
        for (const char* field : {lowField, highField, "mode_share"})
            if (names.contains(field)) {
                const py::array_t<double, py::array::c_style | py::array::forcecast> c(
                    table[field]);
                columns[field] = {c.data(), c.data() + c.size()};
            }
    }
    auto spread = tuning::spreadFrom(position, value, columns, lowField, highField, "table", why);
    if (!spread)
        *why = std::string("the rows need the fields ") + lowField + " and " + highField +
               " of a structured array (the interval of each row, NaN where it is not known), "
               "which an ensemble is drawn from";
    return spread;
}

py::dict ensembleResult(const std::vector<double>& z, const std::vector<double>& values,
                        double step, tuning::RowSpread rows, const std::string& noIntervals,
                        const char* intervalsArgument, const tuning::RowIntegral& how,
                        const EnsembleArguments& a, const std::string& quantity) {
    const tuning::EnsembleSettings& s = a.settings;
    if (a.windowLength)
        rows.windowLength = *a.windowLength;
    if (s.members > 0) {
        if (!noIntervals.empty())
            throw py::value_error(std::string(intervalsArgument) + ": " + noIntervals);
        if (!a.windowLength)
            throw py::value_error("window_length: give the length, in position units, of the "
                                  "windows the rows were measured in (an ensemble correlates "
                                  "neighbouring rows by the samples they share)");
        if (const auto problem = tuning::checkSpread(rows))
            throw py::value_error(std::string(intervalsArgument) + ": " + *problem);
        if (how.kind == tuning::RowIntegral::Kind::Frequency)
            rows = service::withTraceReadings(z, values, std::move(rows), how.period,
                                              how.metresPerUnit, moduleExecution());
    }
    const tuning::AgeEnsemble e = tuning::ageEnsemble(z, rows, how, s);
    if (e.problem)
        throw py::value_error("anchors: " + *e.problem);
    for (const std::vector<double>* v : {&e.band.low, &e.band.median, &e.band.high})
        for (const double x : *v)
            if (!std::isfinite(x))
                throw std::runtime_error("the age band is not finite for these settings");
    py::dict d = tuningResult(e.central, tuning::tunedSeries(e.central, values, step));
    const bool anchored = !s.anchors.empty();
    if (s.members > 0) {
        d["age_low"] = array(e.band.low);
        d["age_median"] = array(e.band.median);
        d["age_high"] = array(e.band.high);
        d["duration_low"] = e.durationLow;
        d["duration_high"] = e.durationHigh;
        if (how.kind == tuning::RowIntegral::Kind::Frequency)
            d["cycle_readings"] = rows.readings;
    }
    if (s.members > 0 || anchored) {
        d["duration"] = e.duration;
        d["hiatuses"] = hiatusList(tuning::possibleHiatuses(rows, quantity));
    }
    if (anchored)
        d["anchor_misses"] = missList(e, s.anchors);
    if (s.keepMembers) {
        const auto members = static_cast<py::ssize_t>(e.members.size());
        const auto samples = static_cast<py::ssize_t>(z.size());
        py::array_t<double> all({members, samples});
        double* out = all.mutable_data();
        for (const std::vector<double>& m : e.members)
            out = std::copy(m.begin(), m.end(), out);
        d["ensemble"] = all;
    }
    return d;
}

} // namespace pymodule
