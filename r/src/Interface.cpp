#include "rpackage/Interface.h"

#include "core/io/Folders.h"
#include "core/results/ResultTables.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"

#include <climits>
#include <cmath>
#include <new>

namespace rpackage {

namespace {

SEXP refusalList(const std::string& argument, const std::string& message) {
    Rcpp::CharacterVector named = Rcpp::CharacterVector::create(NA_STRING);
    if (!argument.empty())
        named[0] = argument;
    Rcpp::List out =
        Rcpp::List::create(Rcpp::Named("argument") = named, Rcpp::Named("message") = message);
    out.attr("class") = "tonalith_refusal";
    return out;
}

// What R handed over, for refusals: "NULL", "a character vector of length 2", "NA".
std::string described(SEXP v) {
    if (Rf_isNull(v))
        return "NULL";
    if (Rf_length(v) == 1 && (Rf_isReal(v) || Rf_isInteger(v) || Rf_isLogical(v))) {
        const double x = Rf_asReal(v);
        if (ISNA(x) || (Rf_isLogical(v) && LOGICAL(v)[0] == NA_LOGICAL))
            return "NA";
        if (Rf_isLogical(v))
            return LOGICAL(v)[0] ? "TRUE" : "FALSE";
        return text::exactNumber(x);
    }
    return std::string("a ") + Rf_type2char(TYPEOF(v)) + " vector of length " +
           std::to_string(Rf_xlength(v));
}

} // namespace

SEXP guarded(const std::function<SEXP()>& body) {
    try {
        return body();
    } catch (const Refusal& r) {
        return refusalList(r.argument(), r.what());
    } catch (const Rcpp::internal::InterruptedException&) {
        throw;
    } catch (const std::bad_alloc&) {
        return refusalList("", "there is not enough memory for this run");
    } catch (const std::exception& e) {
        return refusalList("", e.what());
    }
}

SEXP Arguments::value(const char* name) const {
    return args_.containsElementNamed(name) ? static_cast<SEXP>(args_[name]) : R_NilValue;
}

bool Arguments::given(const char* name) const {
    return !Rf_isNull(value(name));
}

double Arguments::real(const char* name) const {
    const SEXP v = value(name);
    if ((!Rf_isReal(v) && !Rf_isInteger(v)) || Rf_length(v) != 1 || ISNAN(Rf_asReal(v)))
        refuse(name, "give one number, not " + described(v));
    return Rf_asReal(v);
}

int Arguments::whole(const char* name) const {
    const double x = real(name);
    if (x != std::floor(x) || x < INT_MIN || x > INT_MAX)
        refuse(name, "give a whole number, not " + text::exactNumber(x));
    return static_cast<int>(x);
}

bool Arguments::flag(const char* name) const {
    const SEXP v = value(name);
    if (!Rf_isLogical(v) || Rf_length(v) != 1 || LOGICAL(v)[0] == NA_LOGICAL)
        refuse(name, "give TRUE or FALSE, not " + described(v));
    return LOGICAL(v)[0] != 0;
}

std::string Arguments::text(const char* name) const {
    const SEXP v = value(name);
    if (!Rf_isString(v) || Rf_length(v) != 1 || STRING_ELT(v, 0) == NA_STRING)
        refuse(name, "give one string, not " + described(v));
    return Rcpp::as<std::string>(v);
}

std::vector<double> Arguments::reals(const char* name) const {
    const SEXP v = value(name);
    if (!Rf_isReal(v) && !Rf_isInteger(v))
        refuse(name, "give numbers, not " + described(v));
    return Rcpp::as<std::vector<double>>(v);
}

std::string recordsFolder(const Arguments& a) {
    const std::string folder = a.text("records");
    if (const auto problem = io::folderProblem(folder))
        refuse("records", folder + ": " + *problem);
    return folder;
}

double checkedReal(const Arguments& a, const char* name, analysis::ParameterId id) {
    const double v = a.real(name);
    if (const auto problem = analysis::checkValue(analysis::parameter(id), v, name))
        refuse(name, problem->text);
    return v;
}

int checkedWhole(const Arguments& a, const char* name, analysis::ParameterId id) {
    const int v = a.whole(name);
    if (const auto problem = analysis::checkValue(analysis::parameter(id), v, name))
        refuse(name, problem->text);
    return v;
}

void checkWorkers(int workers) {
    if (workers < 0 || workers > service::maxWorkers)
        refuse("workers", std::to_string(workers) + " lies outside 0 .. " +
                              std::to_string(service::maxWorkers) + " (0: one per core)");
}

service::Execution quietExecution(int workers, const std::string& records) {
    checkWorkers(workers);
    service::Execution e;
    e.workers = workers;
    e.quiet = true; // the engine's diagnostic lines would clutter the console
    e.recordsFolder = records;
    return e;
}

Rcpp::List tables(const std::string& text) {
    std::string why;
    const auto read = results::readResultTables(text, &why);
    if (!read)
        throw std::runtime_error(why);
    Rcpp::List out;
    for (const results::TextTable& t : read->tables) {
        Rcpp::List table;
        for (std::size_t c = 0; c < t.titles.size(); ++c) {
            const std::vector<std::string>& fields = t.columns[c];
            Rcpp::NumericVector numbers(fields.size());
            bool numeric = true;
            for (std::size_t r = 0; numeric && r < fields.size(); ++r) {
                const auto x = series::parseNumber(fields[r]);
                numeric = x.has_value() || fields[r] == "NA";
                numbers[r] = x ? *x : NA_REAL;
            }
            if (numeric)
                table.push_back(numbers, t.titles[c]);
            else
                table.push_back(Rcpp::wrap(fields), t.titles[c]);
        }
        out.push_back(table);
    }
    return Rcpp::List::create(Rcpp::Named("header") = read->header, Rcpp::Named("tables") = out);
}

} // namespace rpackage
