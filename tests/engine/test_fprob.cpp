// F-distribution probability for 2 and nu2 degrees of freedom, and its error records.
#include "engine/diagnostics.h"
#include "engine/fprob.h"
#include "engine/reperr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

// Runs f with the diagnostic stream captured; returns what was written.
template <class F> std::string captureDiagnostics(F f) {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* mem = open_memstream(&text, &size);
    engine::setDiagnosticStream(mem);
    f();
    engine::setDiagnosticStream(nullptr);
    std::fclose(mem);
    std::string out(text, size);
    std::free(text);
    return out;
}

struct Case {
    double F;
    int nu2;
    double p;
    int ier;
};

TEST(Mdfd, TableOfCases) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {1.0, 6, 1 - std::exp(3 * std::log(0.75)), 0}, // about 0.578125
        {3.0, 2, 0.75, 0},                             // nu2 = 2: F / (1 + F)
        {0.0, 6, 0.0, 0},
        {nan, 6, 0.0, 0},
        {1e300, 6, 1.0, 0}, // the exponent guard
        {inf, 6, 1.0, 0},
        {1e-17, 6, 0.0, 0}, // 2F vanishes against nu2
        {-1.0, 6, 1.0e37, 130},
        {1.0, 0, 1.0e37, 129},
        {-1.0, 0, 1.0e37, 129}, // degrees of freedom are checked first
        {1.0, 19998, 1 - std::exp(9999 * std::log(19998.0 / 20000.0)), 0},
        {1.0, 19999, 1.0e37, 129},
    };
    for (const Case& c : cases) {
        double p = -1;
        int ier = -1;
        engine::mdfd(c.F, c.nu2, p, ier);
        EXPECT_EQ(ier, c.ier) << "F = " << c.F << " nu2 = " << c.nu2;
        EXPECT_EQ(p, c.p) << "F = " << c.F << " nu2 = " << c.nu2;
    }
    double p = 0;
    int ier = 0;
    engine::mdfd(1.0, 6, p, ier);
    EXPECT_NEAR(p, 0.578125, 1e-15);
}

TEST(Mdfd, AgreesWithTheClosedFormOnAGrid) {
    for (int nu2 : {2, 4, 6, 8, 18, 100, 1000}) {
        for (double F : {1e-6, 0.01, 0.5, 1.0, 2.0, 7.5, 30.0, 500.0}) {
            double p = 0;
            int ier = -1;
            engine::mdfd(F, nu2, p, ier);
            ASSERT_EQ(ier, 0);
            const double closed = 1.0 - std::pow(nu2 / (nu2 + 2.0 * F), nu2 / 2.0);
            EXPECT_NEAR(p, closed, 1e-13 * std::max(1.0, closed))
                << "F = " << F << " nu2 = " << nu2;
            EXPECT_GE(p, 0.0);
            EXPECT_LE(p, 1.0);
        }
    }
}

TEST(Mdfd, ErrorsWriteOneRecordEachAndSuccessWritesNone) {
    double p;
    int ier;
    EXPECT_EQ(captureDiagnostics([&] { engine::mdfd(2.0, 6, p, ier); }), "");
    EXPECT_EQ(captureDiagnostics([&] { engine::mdfd(2.0, 0, p, ier); }),
              " *** terminal error          (ier = 129) from imsl routine mdfd  \n");
    EXPECT_EQ(captureDiagnostics([&] { engine::mdfd(-2.0, 6, p, ier); }),
              " *** terminal error          (ier = 130) from imsl routine mdfd  \n");
}

TEST(Reperr, RecordIsSixtyFiveCharactersEndingInTheName) {
    const std::string r = engine::reperrRecord(129, "mdfd  ");
    EXPECT_EQ(r.size(), 65u);
    EXPECT_EQ(r, std::string(" *** terminal error") + std::string(10, ' ') +
                     "(ier = 129) from imsl routine mdfd  ");
    EXPECT_EQ(r.substr(59), "mdfd  ");
    EXPECT_EQ(engine::reperrRecord(999, "abcdef").size(), 65u);
    // Only terminal errors are reported.
    EXPECT_EQ(captureDiagnostics([] { engine::reperr(128, "mdfd  "); }), "");
    EXPECT_EQ(captureDiagnostics([] { engine::reperr(1000, "mdfd  "); }), "");
}

} // namespace
