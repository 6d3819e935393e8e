// The analysis service called from two threads at once, as two Python threads may call the
// module (it releases the GIL around the service): a map on one thread while the other asks
// for the whole record's spectrum and a set of tapers. Each result equals that of the same
// call made alone. Built with ThreadSanitizer (scripts/test --tsan) it also checks that the
// calls share nothing unguarded.
#include "core/service/AnalysisService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

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

results::ResultSet mapRun(int samples) {
    results::ResultSet r;
    r.provenance.samples = samples;
    r.provenance.params.window = 200;
    r.provenance.params.step = 50;
    r.provenance.params.nfft = 1024;
    return r;
}

service::Execution quiet(int workers) {
    service::Execution e;
    e.quiet = true;
    e.workers = workers;
    return e;
}

struct Others {
    spectrum::WholeRecord whole;
    service::RunOutcome wholeOutcome;
    spectrum::TaperSet tapers;
};

// The whole record's spectrum and a taper set, as the module's spectrum() and tapers() ask.
Others otherCalls(const series::Series& s) {
    analysis::Provenance p;
    p.samples = static_cast<int>(s.yval.size());
    spectrum::WholeRecordRequest q;
    q.nfft = 8192; // at least the record
    Others o;
    service::RunControl control;
    o.wholeOutcome = service::analyseWholeRecord(s, p, q, o.whole, control, quiet(0));
    o.tapers = service::computeTapers(256, 4, 3.0, quiet(0));
    return o;
}

TEST(AnalysisServiceThreads, AMapAndOtherCallsAtOnceGiveTheirResultsAlone) {
    const series::Series s = sines(4000);
    results::ResultSet alone = mapRun(4000);
    service::RunControl c;
    ASSERT_TRUE(service::analyseMap(s, alone, c, quiet(2)).finished());
    const Others othersAlone = otherCalls(s);
    ASSERT_TRUE(othersAlone.wholeOutcome.finished()) << othersAlone.wholeOutcome.problem;
    ASSERT_EQ(othersAlone.tapers.status, 0);

    // Both threads start together, so that the calls overlap.
    std::atomic<int> waiting{2};
    auto together = [&waiting] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0)
            std::this_thread::yield();
    };
    results::ResultSet map = mapRun(4000);
    service::RunOutcome mapOutcome;
    std::thread mapThread([&] {
        service::RunControl control;
        together();
        mapOutcome = service::analyseMap(s, map, control, quiet(2));
    });
    together();
    const Others others = otherCalls(s);
    mapThread.join();

    ASSERT_TRUE(mapOutcome.finished()) << mapOutcome.problem;
    EXPECT_EQ(map.ampl, alone.ampl);
    EXPECT_EQ(map.prob, alone.prob);
    ASSERT_TRUE(others.wholeOutcome.finished()) << others.wholeOutcome.problem;
    EXPECT_EQ(others.whole.power, othersAlone.whole.power);
    EXPECT_EQ(others.whole.probability, othersAlone.whole.probability);
    EXPECT_EQ(others.tapers.tapers, othersAlone.tapers.tapers);
    EXPECT_EQ(others.tapers.ratios, othersAlone.tapers.ratios);
}

} // namespace
