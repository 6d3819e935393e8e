// The analysis service: rows handed over as they become final, runs from several threads in
// turn, a stopped run, and the outcomes a front end words.
#include "core/service/AnalysisService.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

namespace {

series::Series sines(int n) {
    series::Series s;
    for (int i = 0; i < n; ++i) {
        s.xpos.push_back(i);
        s.yval.push_back(std::sin(0.3 * i) + 0.5 * std::sin(0.05 * i));
        s.lines.push_back(i + 2);
    }
    return s;
}

results::ResultSet runFor(int samples) {
    results::ResultSet r;
    r.provenance.samples = samples;
    r.provenance.params.window = 200;
    r.provenance.params.step = 50;
    r.provenance.params.nfft = 1024;
    return r;
}

// Records what a run reports, and checks the rows are final when they are said to be.
struct Recorder : service::RunControl {
    const results::ResultSet* r = nullptr;
    std::vector<std::size_t> ready;
    std::vector<double> centresSeen;
    double lastPercent = -1;
    void progress(double percent) override { lastPercent = percent; }
    void rowsReady(std::size_t rows) override {
        ready.push_back(rows);
        centresSeen.push_back(r->xcent[rows - 1]);
    }
};

service::Execution quiet() {
    service::Execution e;
    e.quiet = true;
    return e;
}

TEST(AnalysisService, HandsOverFinalRowsInOrderAndKeepsTheSeries) {
    const series::Series s = sines(1000);
    results::ResultSet r = runFor(1000);
    Recorder control;
    control.r = &r;
    const service::RunOutcome o = service::analyseMap(s, r, control, quiet());
    ASSERT_TRUE(o.finished()) << o.problem;
    EXPECT_EQ(r.windows, 17);
    ASSERT_FALSE(control.ready.empty());
    EXPECT_EQ(control.ready.back(), r.xcent.size());
    for (std::size_t i = 0; i < control.ready.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(control.ready[i], control.ready[i - 1]);
        }
        // A row said to be final already held its window's centre then.
        EXPECT_EQ(control.centresSeen[i], r.xcent[control.ready[i] - 1]);
    }
    EXPECT_EQ(control.lastPercent, 100.0);
    EXPECT_EQ(r.values, s.yval);
}

TEST(AnalysisService, RunsFromTwoThreadsTakeTurnsAndAStoppedRunEndsCancelled) {
    const series::Series s = sines(20000);
    results::ResultSet a = runFor(20000), b = runFor(20000), alone = runFor(20000);
    service::RunControl ca, cb, c;
    ASSERT_TRUE(service::analyseMap(s, alone, c, quiet()).finished());
    std::thread other([&] { EXPECT_TRUE(service::analyseMap(s, a, ca, quiet()).finished()); });
    EXPECT_TRUE(service::analyseMap(s, b, cb, quiet()).finished());
    other.join();
    EXPECT_EQ(a.ampl, alone.ampl);
    EXPECT_EQ(b.prob, alone.prob);

    service::RunControl stopped;
    stopped.cancel();
    results::ResultSet d = runFor(20000);
    EXPECT_EQ(service::analyseMap(s, d, stopped, quiet()).end, service::RunEnd::Cancelled);
}

TEST(AnalysisService, FailuresAreWordedForAPerson) {
    const series::Series s = sines(1000);
    struct Case {
        const char* what;
        int simulatedStatus;
        int window;
        const char* says;
    };
    const Case cases[] = {
        {"tapers that cannot be computed", 1, 200, "the Slepian tapers could not be computed"},
        {"a window longer than the series", 0, 2000, "exceeds the 1000 samples"},
    };
    for (const Case& k : cases) {
        results::ResultSet r = runFor(1000);
        r.provenance.params.window = k.window;
        service::Execution e = quiet();
        e.simulatedEngineStatus = k.simulatedStatus;
        service::RunControl control;
        const service::RunOutcome o = service::analyseMap(s, r, control, e);
        EXPECT_EQ(o.end, service::RunEnd::Failed) << k.what;
        EXPECT_NE(o.problem.find(k.says), std::string::npos) << k.what << ": " << o.problem;
    }
}

} // namespace
