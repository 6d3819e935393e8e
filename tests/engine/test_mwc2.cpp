// The analysis driver: window and bin bookkeeping, result rows, records, the refusal of bad
// arguments, failure paths, and the identity of the fast path with the plain algorithm.
#include "engine/capacities.h"
#include "engine/tapers.h"
#include "tests/support/Mwc2Run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <sys/stat.h>

using namespace testing_support;

namespace {

std::vector<double> noisySines(int n, unsigned seed = 7) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<double> y(n);
    for (int t = 0; t < n; ++t)
        y[t] = 1.5 + std::sin(2 * M_PI * t / 41.0) + 0.6 * std::sin(2 * M_PI * t / 23.0 + 0.4) +
               noise(rng);
    return y;
}

int countLines(const std::string& text, const std::string& line) {
    int n = 0;
    for (std::size_t pos = text.find(line); pos != std::string::npos;
         pos = text.find(line, pos + 1))
        ++n;
    return n;
}

TEST(Mwc2Windows, CountsStartsAndCentres) {
    EXPECT_EQ(engine::mwc2Windows(1000, 400, 25), 25);
    EXPECT_EQ(engine::mwc2Windows(1010, 400, 25), 25); // the trailing samples are never analysed
    EXPECT_EQ(engine::mwc2Windows(400, 400, 25), 1);
    EXPECT_EQ(engine::mwc2Windows(399, 400, 25), 0);

    // A spike in sample 1000 (1-based) is seen by window 25 alone: it covers 601 .. 1000.
    std::vector<double> y(1000, 0.0);
    y[999] = 1.0;
    Params p;
    p.irem = 0;
    const Result r = runMwc2(positions(1000), y, p);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.windows, 25);
    const int nsel = r.bins;
    for (int w = 0; w < 25; ++w) {
        double peak = 0;
        for (int i = 0; i < nsel; ++i)
            peak = std::max(peak, r.ampl[w * nsel + i]);
        if (w < 24)
            EXPECT_EQ(peak, 0.0) << "window " << w + 1;
        else
            EXPECT_GT(peak, 0.0);
    }
    EXPECT_EQ(r.xcent[24 * nsel], 800.0); // 0 + 1 * (601 + 200 - 1)
    EXPECT_EQ(r.ampl.back(), -12345.0) << "nothing is written past the last row";
}

TEST(Mwc2Windows, CentresUseFirstPositionAndSpacing) {
    Params p;
    p.deltat = 0.5;
    const Result r = runMwc2(positions(1000, 10.0, 0.5), noisySines(1000), p);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.xcent[0], 110.0);
    EXPECT_EQ(r.xcent[r.bins], 122.5);
    // Frequencies are in cycles per position unit: twice those of unit spacing.
    EXPECT_EQ(r.freq[1], 2.0 / 4096);
}

TEST(Mwc2Bins, KeptUpToFmax) {
    EXPECT_EQ(engine::mwc2Bins(4096, 0.1), 410);
    EXPECT_EQ(engine::mwc2Bins(4096, 0.06), 246);
    EXPECT_EQ(engine::mwc2Bins(4096, 0.5), 2049);
    EXPECT_EQ(engine::mwc2Bins(4096, 7.0), 2049);
    EXPECT_EQ(engine::mwc2Bins(4096, -0.01), 0);
    EXPECT_EQ(engine::mwc2Bins(4095, 0.5), 2048); // odd nfft: the top bin lies below Nyquist

    Params p;
    p.nfft = 4095;
    p.fmax = 0.5;
    const Result r = runMwc2(positions(450), noisySines(450), p);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.bins, 2048);
    EXPECT_EQ(r.freq[2047], 2047 * (1.0 / 4095));
}

TEST(Mwc2Bins, NegativeFmaxWritesNoRowsButAllRecords) {
    Params p;
    p.fmax = -0.01;
    const Result r = runMwc2(positions(1000), noisySines(1000), p);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.bins, 0);
    EXPECT_EQ(r.xcent.front(), -12345.0);
    EXPECT_EQ(countLines(r.fort17, "% spectrum #"), 25);
    EXPECT_EQ(countLines(r.diagnostics, " no significant lines detected\n"), 25);
    EXPECT_EQ(r.progress.size(), 25u);
}

TEST(Mwc2Series, ConstantBecomesExactlyZero) {
    // 0.1 is not representable: a mean rounded to double would leave residues.
    const Result r = runMwc2(positions(1000), std::vector<double>(1000, 0.1), Params{});
    ASSERT_EQ(r.status, 0);
    for (std::size_t i = 0; i + 1 < r.ampl.size(); ++i) {
        ASSERT_EQ(r.ampl[i], 0.0) << i;
        ASSERT_EQ(r.prob[i], 0.0) << i;
    }
}

TEST(Mwc2Series, OffsetWithoutMeanRemovalShowsAtZeroFrequency) {
    Params p;
    p.irem = 0;
    std::vector<double> y = noisySines(1000);
    for (double& v : y)
        v = v - 1.5 + 2.5; // offset 2.5
    const Result r = runMwc2(positions(1000), y, p);
    ASSERT_EQ(r.status, 0);
    for (int w = 0; w < r.windows; ++w) {
        EXPECT_NEAR(r.ampl[w * r.bins], 5.0, 0.1) << "window " << w + 1;
        EXPECT_GT(r.prob[w * r.bins], 0.999999);
    }
}

// A pure sinusoid: amplitude 2|mu| = A, probability 1. Leakage from the mirror frequency
// through the least concentrated taper limits the defaults to about 1e-3 relative.
TEST(Mwc2Series, SinusoidAmplitudeIsRecovered) {
    struct Case {
        int kspec;
        double tbw;
        double tolerance;
        double minProbability; // with 2 tapers (2 degrees of freedom) P = F / (1 + F)
    };
    for (const Case c : {Case{4, 3.0, 1e-3, 1 - 1e-9}, Case{2, 2.0, 1e-4, 0.99999}}) {
        const double A = 1.7;
        const int bin = 200; // 200 / 4096 cycles per sample
        std::vector<double> y(1000);
        for (int t = 0; t < 1000; ++t)
            y[t] = A * std::cos(2 * M_PI * bin * t / 4096.0 + 0.3);
        Params p;
        p.kspec = c.kspec;
        p.tbw = c.tbw;
        const Result r = runMwc2(positions(1000), y, p);
        ASSERT_EQ(r.status, 0);
        for (int w = 0; w < r.windows; ++w) {
            EXPECT_NEAR(r.ampl[w * r.bins + bin] / A, 1.0, c.tolerance) << "window " << w + 1;
            EXPECT_GT(r.prob[w * r.bins + bin], c.minProbability);
        }
        // The line's period goes to fort.20 as spacing / frequency.
        EXPECT_NE(r.fort20.find(" 1 20.48\n"), std::string::npos) << r.fort20.substr(0, 200);
    }
}

TEST(Mwc2Series, SingleTaperReportsEveryBinAndFillsProbability) {
    Params p;
    p.kspec = 1;
    const Result r = runMwc2(positions(450), noisySines(450), p);
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(r.windows, 3);
    const std::string record =
        " *** terminal error          (ier = 129) from imsl routine mdfd  \n";
    EXPECT_EQ(countLines(r.diagnostics, record), 3 * 2049); // every bin, whatever fmax is
    for (std::size_t i = 0; i + 1 < r.prob.size(); ++i)
        ASSERT_EQ(r.prob[i], 1.0e37);
}

TEST(Mwc2Records, DiagnosticsProgressAndAuxiliaryFiles) {
    const Result r = runMwc2(positions(1000), std::vector<double>(1000, 0.0), Params{});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.diagnostics.rfind(" Inside mwc2!\n", 0), 0u);
    EXPECT_NE(r.diagnostics.find(" ps npts,irem,nar,filnam,form,nblock,nskip : 1000 1\n"),
              std::string::npos);
    EXPECT_NE(r.diagnostics.find(
                  " ps tbw,kspec,mpts,inc,nfft,fmax,iprob,deltat : 3 4 400 25 4096 0.06 95 1\n"),
              std::string::npos);
    EXPECT_NE(r.diagnostics.find(" 1000 data values input\n"), std::string::npos);
    EXPECT_NE(r.diagnostics.find(" nbspe= 25 1 400\n"), std::string::npos);
    EXPECT_EQ(countLines(r.diagnostics, " no significant lines detected\n"), 25);

    const std::string header =
        "% x-centre  frequency   amplitude     phase    f-statistic probability   period\n";
    EXPECT_EQ(header.size(), 80u);
    EXPECT_EQ(r.fort27, header);
    EXPECT_EQ(r.fort17.substr(0, 34), "% spectrum #   1\n% spectrum #   2\n");
    EXPECT_EQ(countLines(r.fort17, "% spectrum #"), 25);

    ASSERT_EQ(r.progress.size(), 25u);
    for (int w = 1; w <= 25; ++w)
        EXPECT_EQ(r.progress[w - 1], w * (100.0 / 25));
    EXPECT_EQ(r.progress.back(), 100.0);
}

TEST(Mwc2Records, NullProgressLeavesResultsUnchanged) {
    const auto y = noisySines(1000);
    const Result a = runMwc2(positions(1000), y, Params{}, true);
    const Result b = runMwc2(positions(1000), y, Params{}, false);
    EXPECT_EQ(a.ampl, b.ampl);
    EXPECT_EQ(a.prob, b.prob);
    EXPECT_TRUE(b.progress.empty());
}

// ---- mends: refused arguments, taper failure, auxiliary files that cannot be written ------

struct BadCase {
    const char* what;
    Params p;
    int npts;
    engine::Mwc2Status status;
    const char* named;
};

Params with(void (*edit)(Params&)) {
    Params p;
    edit(p);
    return p;
}

TEST(Mwc2Refusal, BadArgumentsAreRefusedBeforeAnythingIsWritten) {
    using S = engine::Mwc2Status;
    const BadCase cases[] = {
        {"npts 0", Params{}, 0, S::BadNpts, "npts"},
        {"npts over NMAX", Params{}, engine::NMAX + 1, S::BadNpts, "npts"},
        {"window longer than series", Params{}, 300, S::BadMpts, "mpts"},
        {"window of 1", with([](Params& p) { p.mpts = 1; }), 1000, S::BadMpts, "mpts"},
        {"step 0", with([](Params& p) { p.inc = 0; }), 1000, S::BadInc, "inc"},
        {"step -3", with([](Params& p) { p.inc = -3; }), 1000, S::BadInc, "inc"},
        {"nfft below window", with([](Params& p) { p.nfft = 399; }), 1000, S::BadNfft, "nfft"},
        {"nfft over NFMAX", with([](Params& p) { p.nfft = engine::NFMAX + 1; }), 1000, S::BadNfft,
         "nfft"},
        {"no tapers", with([](Params& p) { p.kspec = 0; }), 1000, S::BadKspec, "kspec"},
        {"11 tapers", with([](Params& p) { p.kspec = 11; }), 1000, S::BadKspec, "kspec"},
        {"tbw 0", with([](Params& p) { p.tbw = 0; }), 1000, S::BadTbw, "tbw"},
        {"tbw negative", with([](Params& p) { p.tbw = -1; }), 1000, S::BadTbw, "tbw"},
        {"W = 1/2", with([](Params& p) { p.tbw = 200; }), 1000, S::BadTbw, "tbw"},
        {"tbw NaN", with([](Params& p) { p.tbw = std::nan(""); }), 1000, S::BadTbw, "tbw"},
        {"fmax NaN", with([](Params& p) { p.fmax = std::nan(""); }), 1000, S::BadFmax, "fmax"},
        {"fmax inf", with([](Params& p) { p.fmax = INFINITY; }), 1000, S::BadFmax, "fmax"},
        {"deltat 0", with([](Params& p) { p.deltat = 0; }), 1000, S::BadDeltat, "deltat"},
        {"deltat negative", with([](Params& p) { p.deltat = -1; }), 1000, S::BadDeltat, "deltat"},
    };
    for (const BadCase& c : cases) {
        const int n = std::max(c.npts, 1);
        std::vector<double> x = positions(std::min(n, 2000)), y(std::min(n, 2000), 1.0);
        // npts over the capacity: the arrays need not be that long, nothing is read.
        const Result r = [&] {
            Result res;
            TempDir dir;
            char* text = nullptr;
            std::size_t size = 0;
            std::FILE* mem = open_memstream(&text, &size);
            engine::setDiagnosticStream(mem);
            std::vector<double> out(8, -1.0);
            res.status = engine::mwc2(out.data(), out.data(), out.data(), out.data(), x.data(),
                                      c.p.tbw, c.p.fmax, c.p.deltat, y.data(), 1, c.npts, c.p.kspec,
                                      c.p.mpts, c.p.inc, c.p.nfft, 95, nullptr, nullptr);
            engine::setDiagnosticStream(nullptr);
            std::fclose(mem);
            res.diagnostics.assign(text, size);
            std::free(text);
            res.ampl = out;
            struct stat st {};
            EXPECT_NE(::stat("fort.17", &st), 0) << c.what << ": no auxiliary file";
            EXPECT_NE(::stat("fort.27", &st), 0) << c.what << ": no auxiliary file";
            return res;
        }();
        EXPECT_EQ(r.status, static_cast<int>(c.status)) << c.what;
        EXPECT_EQ(countLines(r.diagnostics, "\n"), 1) << c.what << ": " << r.diagnostics;
        EXPECT_NE(r.diagnostics.find(c.named), std::string::npos)
            << c.what << ": " << r.diagnostics;
        EXPECT_EQ(r.ampl, std::vector<double>(8, -1.0)) << c.what;
        const engine::Mwc2Check check = engine::mwc2check(c.p.tbw, c.p.fmax, c.p.deltat, c.npts,
                                                          c.p.kspec, c.p.mpts, c.p.inc, c.p.nfft);
        EXPECT_EQ(check.status, c.status) << c.what;
    }
}

TEST(Mwc2Refusal, NullArraysAreRefused) {
    const auto x = positions(1000);
    const auto y = noisySines(1000);
    const int status = engine::mwc2(nullptr, nullptr, nullptr, nullptr, x.data(), 3, 0.06, 1,
                                    y.data(), 1, 1000, 4, 400, 25, 4096, 95, nullptr, nullptr);
    EXPECT_EQ(status, static_cast<int>(engine::Mwc2Status::NullArray));
}

TEST(Mwc2Refusal, LimitsThemselvesAreAccepted) {
    EXPECT_TRUE(engine::mwc2check(3, 0.06, 1, 400, 4, 400, 1, 400).ok()); // window = series = nfft
    EXPECT_TRUE(engine::mwc2check(0.999, 0.5, 1, 2, 2, 2, 1, 2).ok());    // the smallest window
    EXPECT_TRUE(engine::mwc2check(3, 0.06, 1, 1000, 10, 400, 25, engine::NFMAX).ok());
}

TEST(Mwc2Failure, TaperFailureEndsTheCallNotTheProcess) {
    engine::Mwc2Execution e;
    e.simulatedTaperStatus = 2;
    const Result r = runMwc2(positions(1000), noisySines(1000), Params{}, true, e);
    EXPECT_EQ(r.status, static_cast<int>(engine::Mwc2Status::TaperFailure));
    EXPECT_NE(r.diagnostics.find(" fatal error while computing dpss  iflag= 2\n"),
              std::string::npos);
    EXPECT_EQ(r.progress.size(), 1u);
    EXPECT_EQ(r.fort17, "% spectrum #   1\n");
    EXPECT_EQ(r.ampl.front(), -12345.0) << "no row is written";

    // The engine is ready for the next call.
    const Result next = runMwc2(positions(1000), noisySines(1000), Params{});
    EXPECT_EQ(next.status, 0);
}

TEST(Mwc2Failure, AuxiliaryFilesThatCannotBeCreatedDoNotStopTheAnalysis) {
    const auto y = noisySines(1000);
    const Result reference = runMwc2(positions(1000), y, Params{});

    // A working directory that no longer exists: no file can be created there, even by root.
    Result r;
    {
        TempDir dir;
        char gone[] = "/tmp/tonalith-gone-XXXXXX";
        ASSERT_NE(::mkdtemp(gone), nullptr);
        ASSERT_EQ(::chdir(gone), 0);
        ASSERT_EQ(::rmdir(gone), 0);
        engine::auxClose();
        char* text = nullptr;
        std::size_t size = 0;
        std::FILE* mem = open_memstream(&text, &size);
        engine::setDiagnosticStream(mem);
        const auto x = positions(1000);
        r.ampl.assign(reference.ampl.size() - 1, 0.0);
        r.prob = r.ampl;
        r.xcent = r.ampl;
        r.freq = r.ampl;
        r.status =
            engine::mwc2(r.xcent.data(), r.freq.data(), r.ampl.data(), r.prob.data(), x.data(), 3,
                         0.06, 1, y.data(), 1, 1000, 4, 400, 25, 4096, 95, nullptr, nullptr);
        engine::setDiagnosticStream(nullptr);
        std::fclose(mem);
        r.diagnostics.assign(text, size);
        std::free(text);
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    }
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.ampl, std::vector<double>(reference.ampl.begin(), reference.ampl.end() - 1));
    EXPECT_EQ(countLines(r.diagnostics, " cannot create auxiliary file fort.17"), 1);
    EXPECT_EQ(countLines(r.diagnostics, " cannot create auxiliary file fort.27"), 1);
}

TEST(Mwc2Failure, AuxiliaryFileOnAFullDeviceDoesNotStopTheAnalysis) {
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/full", "fort.17"), 0);
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* mem = open_memstream(&text, &size);
    engine::setDiagnosticStream(mem);
    const auto x = positions(1000);
    const auto y = noisySines(1000);
    std::vector<double> a(25 * 246), b(a.size()), c(a.size()), d(a.size());
    const int status = engine::mwc2(a.data(), b.data(), c.data(), d.data(), x.data(), 3, 0.06, 1,
                                    y.data(), 1, 1000, 4, 400, 25, 4096, 95, nullptr, nullptr);
    engine::setDiagnosticStream(nullptr);
    std::fclose(mem);
    const std::string diag(text, size);
    std::free(text);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(countLines(diag, " cannot write auxiliary file fort.17"), 1)
        << diag.substr(diag.size() - 300);
    EXPECT_GT(d[246 * 24 + 100], 0.0);
}

// ---- the fast path against the plain algorithm ---------------------------------------------

void expectIdentical(const Result& a, const Result& b, const char* what) {
    EXPECT_EQ(a.status, b.status) << what;
    EXPECT_EQ(a.xcent, b.xcent) << what;
    EXPECT_EQ(a.freq, b.freq) << what;
    EXPECT_EQ(a.ampl, b.ampl) << what;
    EXPECT_EQ(a.prob, b.prob) << what;
    EXPECT_EQ(a.progress, b.progress) << what;
    EXPECT_EQ(a.diagnostics, b.diagnostics) << what;
    EXPECT_EQ(a.fort17, b.fort17) << what;
    EXPECT_EQ(a.fort20, b.fort20) << what;
    EXPECT_EQ(a.fort27, b.fort27) << what;
}

Result runWith(const engine::Mwc2Execution& e, const std::vector<double>& y, const Params& p) {
    return runMwc2(positions(static_cast<int>(y.size())), y, p, true, e);
}

TEST(Mwc2Identity, FastPathEqualsThePlainAlgorithm) {
    engine::Mwc2Execution plain;
    plain.workers = 1;
    plain.tapersPerWindow = true;
    plain.allBins = true;
    const auto y = noisySines(1000);
    for (const Params& p : {Params{}, with([](Params& q) {
                                q.kspec = 5;
                                q.tbw = 3.5;
                                q.nfft = 1000;
                            }),
                            with([](Params& q) {
                                q.kspec = 1;
                                q.inc = 150;
                            })}) {
        const Result reference = runWith(plain, y, p);
        ASSERT_EQ(reference.status, 0);
        for (int workers : {1, 2, 4}) {
            engine::Mwc2Execution fast;
            fast.workers = workers;
            const Result r = runWith(fast, y, p);
            expectIdentical(r, reference, ("workers " + std::to_string(workers)).c_str());
        }
    }
}

TEST(Mwc2Identity, SmallerFmaxGivesTheLeadingRowsOfTheFullRun) {
    const auto y = noisySines(1000);
    Params full;
    full.fmax = 0.5;
    const Result all = runMwc2(positions(1000), y, full);
    Params some;
    some.fmax = 0.06;
    const Result part = runMwc2(positions(1000), y, some);
    ASSERT_EQ(all.bins, 2049);
    ASSERT_EQ(part.bins, 246);
    for (int w = 0; w < 25; ++w)
        for (int i = 0; i < 246; ++i) {
            const std::size_t a = static_cast<std::size_t>(w) * 2049 + i;
            const std::size_t b = static_cast<std::size_t>(w) * 246 + i;
            ASSERT_EQ(all.ampl[a], part.ampl[b]);
            ASSERT_EQ(all.prob[a], part.prob[b]);
            ASSERT_EQ(all.freq[a], part.freq[b]);
            ASSERT_EQ(all.xcent[a], part.xcent[b]);
        }
}

} // namespace

namespace {

std::atomic<bool> stopFlag{false};
int reportsBeforeStop = 0;

void stopAtFifthWindow(void*, double percent) {
    ++reportsBeforeStop;
    if (percent >= 5 * (100.0 / 25))
        stopFlag = true;
}

TEST(Mwc2Cancel, AFlagEndsTheRunAtAWindowBoundaryAndTheNextCallIsWhole) {
    for (int workers : {1, 2}) {
        stopFlag = false;
        reportsBeforeStop = 0;
        engine::Mwc2Execution e;
        e.workers = workers;
        e.cancel = &stopFlag;
        const auto y = noisySines(1000);
        const auto x = positions(1000);
        std::vector<double> a(25 * 246), b(a.size()), c(a.size()), d(a.size());
        std::FILE* quiet = std::fopen("/dev/null", "w");
        engine::setDiagnosticStream(quiet);
        const int status =
            engine::mwc2x(e, a.data(), b.data(), c.data(), d.data(), x.data(), 3, 0.06, 1, y.data(),
                          1, 1000, 4, 400, 25, 4096, 95, nullptr, &stopAtFifthWindow);
        EXPECT_EQ(status, static_cast<int>(engine::Mwc2Status::Cancelled)) << workers << " workers";
        EXPECT_EQ(reportsBeforeStop, 5) << "the flag is read before each window";
        EXPECT_GT(c[4 * 246 - 1], 0.0) << "the windows before the stop are complete";

        stopFlag = false;
        const Result whole = runMwc2(x, y, Params{}, true, e);
        engine::setDiagnosticStream(nullptr);
        std::fclose(quiet);
        EXPECT_EQ(whole.status, 0);
        EXPECT_EQ(whole.progress.size(), 25u);
    }
}

// A flag raised while the tapers of a long window are being computed stops the run there: the
// taper routines read it in their long loops, and no diagnostic calls it a failure.
void stopAtFirstWindow(void*, double) {
    stopFlag = true;
}

TEST(Mwc2Cancel, AFlagStopsTheTaperComputation) {
    stopFlag = false;
    engine::Mwc2Execution e;
    e.cancel = &stopFlag;
    const int n = 100000;
    const auto y = noisySines(n);
    const auto x = positions(n);
    std::vector<double> a(engine::mwc2Bins(131072, 0.0001)), b(a.size()), c(a.size()), d(a.size());
    std::string said;
    std::FILE* out = std::tmpfile();
    engine::setDiagnosticStream(out);
    const int status =
        engine::mwc2x(e, a.data(), b.data(), c.data(), d.data(), x.data(), 3, 0.0001, 1, y.data(),
                      1, n, 4, n, 1, 131072, 95, nullptr, &stopAtFirstWindow);
    engine::setDiagnosticStream(nullptr);
    std::rewind(out);
    for (int ch; (ch = std::fgetc(out)) != EOF;)
        said += static_cast<char>(ch);
    std::fclose(out);
    EXPECT_EQ(status, static_cast<int>(engine::Mwc2Status::Cancelled));
    EXPECT_EQ(said.find("fatal error while computing dpss"), std::string::npos) << said;
    EXPECT_FALSE(engine::taperStopRequested()) << "the flag is the run's, not left behind";
}

} // namespace

// A record whose mean steps up by 10 in the middle: the windows on either side of the step
// carry it as a local mean, a line at frequency 0. With each window's mean or line removed,
// their lowest band (below W) is that of the record without the step; without, it is the step.
TEST(Mwc2WindowDetrend, StepInTheMeanLeavesNoLineInTheLowestBand) {
    const int n = 1000, at = 513;
    const std::vector<double> plain = noisySines(n);
    std::vector<double> stepped = plain;
    for (int i = at; i < n; ++i)
        stepped[i] += 10;
    const Params p;
    for (const auto how : {engine::WindowDetrend::None, engine::WindowDetrend::Mean,
                           engine::WindowDetrend::Linear}) {
        engine::Mwc2Execution e;
        e.windowDetrend = how;
        const Result a = runWith(e, stepped, p), b = runWith(e, plain, p);
        ASSERT_EQ(a.status, 0);
        double worst = 0; // largest change the step makes in a window off the step
        for (int w = 0; w < a.windows; ++w) {
            const int first = w * p.inc;
            if (first <= at && at < first + p.mpts)
                continue;
            for (int i = 0; i < a.bins; ++i) {
                const std::size_t k = static_cast<std::size_t>(w) * a.bins + i;
                if (a.freq[k] < p.tbw / p.mpts)
                    worst = std::max(worst, std::fabs(a.ampl[k] - b.ampl[k]));
            }
        }
        if (how == engine::WindowDetrend::None)
            EXPECT_GT(worst, 5.0);
        else
            EXPECT_LT(worst, 1e-9) << static_cast<int>(how);
    }
    // A straight line is removed to the last bit, as the series' mean is.
    std::vector<double> line(7);
    for (int t = 0; t < 7; ++t)
        line[t] = 1e6 + 0.25 * t; // exact in double, so exactly a line
    engine::removeWindowTrend(line.data(), 7, engine::WindowDetrend::Linear);
    EXPECT_EQ(line, std::vector<double>(7, 0.0));
}
