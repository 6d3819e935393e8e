// The compiled part of the R package: R's arguments read and checked, a series prepared as the
// tool prepares it, core's text results turned into R's tables, refusals that R signals as
// conditions naming the argument, and long runs that R can interrupt.
#pragma once

#include "core/analysis/ParameterCatalogue.h"
#include "core/analysis/RunPreparation.h"
#include "core/service/AnalysisService.h"

#include <Rcpp.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace rpackage {

// An argument refused; R signals it as a condition of class tonalith_error that names it.
class Refusal : public std::runtime_error {
public:
    Refusal(std::string argument, const std::string& text)
        : std::runtime_error(argument + ": " + text), argument_(std::move(argument)) {}
    const std::string& argument() const { return argument_; }

private:
    std::string argument_;
};

[[noreturn]] inline void refuse(const std::string& argument, const std::string& text) {
    throw Refusal(argument, text);
}

// body's value. A Refusal, or any other failure (no argument at fault), comes back as a list of
// class tonalith_refusal, which the R side signals once no C++ frame is left; an interrupt
// passes on to R.
SEXP guarded(const std::function<SEXP()>& body);

// The named arguments of one call (an R list), read with the checks every function shares: a
// value of the wrong kind is refused naming it.
class Arguments {
public:
    explicit Arguments(Rcpp::List args) : args_(std::move(args)) {}
    bool given(const char* name) const;  // present and not NULL
    double real(const char* name) const; // one number, not NA
    int whole(const char* name) const;   // one whole number
    bool flag(const char* name) const;   // TRUE or FALSE
    std::string text(const char* name) const;
    std::vector<double> reals(const char* name) const; // numbers (NA as nan)
    SEXP value(const char* name) const;

private:
    Rcpp::List args_;
};

// The series R hands over (positions, values and where they came from: a file read_record
// read, or an R object named by its expression), prepared as the request and the arguments
// interpolate, log, detrend and standardise say (an unevenly spaced series is refused when the
// request says so); refusals name x or positions.
analysis::PreparedRun prepareSeries(const Rcpp::List& series, analysis::RunRequest& request,
                                    const Arguments& a);

// Runs job(control) on a thread of its own while R's thread looks for an interrupt (Ctrl+C,
// Esc) every 50 ms; on one, the run is cancelled (it stops at its next window, rate or
// surrogate, or while it waits for its turn at the engine), waited for, and the interrupt
// passed on to R. A failure of the job is thrown again in R's thread.
void runInterruptibly(const std::function<void(service::RunControl&)>& job);

// The folder of the engine's records that records= names (R gives the default, the user's
// cache folder, created when missing); refused unless a writable folder.
std::string recordsFolder(const Arguments& a);

// One number (a whole number) within the range of the catalogue's entry id, refused naming
// `name`.
double checkedReal(const Arguments& a, const char* name, analysis::ParameterId id);
int checkedWhole(const Arguments& a, const char* name, analysis::ParameterId id);

// Refused unless workers lies in the tool's range, 0 (one per core) .. service::maxWorkers.
void checkWorkers(int workers);

// A run's execution as the package makes every run: quiet, its workers and records folder.
service::Execution quietExecution(int workers, const std::string& records);

// The text a tool's result file holds, as R's tables: list(header = the '#' lines, tables =
// one list per table (tables are parted by blank lines) of its columns by title: numbers
// (NA for "NA") where every field is one, text otherwise).
Rcpp::List tables(const std::string& text);

} // namespace rpackage
