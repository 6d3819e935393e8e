#include "app/panels/TraceAgainstTest.h"

#include "app/services/Questions.h"
#include "core/astro/TrackCheck.h"
#include "core/text/NumberText.h"

namespace {

std::vector<astro::TrackMismatch> mismatched(const std::optional<TestTrack>& track,
                                             const tuning::Trace& t, double periodKyr) {
    if (!track || !(periodKyr > 0))
        return {};
    return astro::checkTraceAgainstTrack(t, periodKyr, track->rates, track->metresPerUnit,
                                         track->targets);
}

} // namespace

QString TraceAgainstTest::mismatches(const tuning::Trace& t, double periodKyr) const {
    const auto m = mismatched(track_, t, periodKyr);
    return m.empty() ? QString() : QString::fromStdString(astro::mismatchText(m, {}, periodKyr));
}

bool TraceAgainstTest::accepted(QWidget* parent, const tuning::Trace& t, double periodKyr, bool ask,
                                const std::function<void(const QString&)>& say) {
    const auto m = mismatched(track_, t, periodKyr);
    if (m.empty())
        return true;
    QSet<QString> key;
    for (const astro::TrackMismatch& r : m)
        key << QString::fromStdString(text::exactNumber(r.position) + " " + r.cycle + " at " +
                                      text::exactNumber(periodKyr));
    for (const auto& [answered, yes] : answers_)
        if (answered == key)
            return yes;
    if (!ask)
        return false;
    const QString said = QString::fromStdString(astro::mismatchText(m, {}, periodKyr));
    say("The trace and the astronomical test disagree: " + said + ".");
    const bool yes =
        Questions::ask(parent, "Trace Against the Test",
                       "The trace and the evolutive astronomical test disagree: " + said +
                           ". The line may be another cycle than the period says, or the test's "
                           "rate may be wrong. Build the age model from the trace all the same?",
                       {"Build the Age Model", "Don't Build"}) == 0;
    answers_.push_back({key, yes});
    return yes;
}
