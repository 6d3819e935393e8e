// A traced line held against the evolutive astronomical test before an age model is built from
// it: each row's rate at the period given (100 / (f P) cm/kyr) against the track's identified
// rate there. Where rows disagree, the message bar says so in astro::mismatchText's words (the
// cycle the line is at the test's rate) and the user is asked whether to build the model all
// the same; the answer is remembered for the same mismatches.
#pragma once

#include "app/panels/TestTrack.h"
#include "core/tuning/AgeModel.h"

#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

class TraceAgainstTest {
public:
    // The track (none: no check).
    void setTrack(std::optional<TestTrack> track) { track_ = std::move(track); }

    // What is said of the mismatches of trace t called `periodKyr` kyr; empty where the rows
    // agree with the track or there is none.
    QString mismatches(const tuning::Trace& t, double periodKyr) const;

    // Whether the model may be built from trace t: where rows disagree, said through `say` and
    // asked, once for the same mismatches (ask false: neither, and not accepted).
    bool accepted(QWidget* parent, const tuning::Trace& t, double periodKyr, bool ask,
                  const std::function<void(const QString&)>& say);

private:
    std::optional<TestTrack> track_;
    // The mismatches asked about (row and cycle, with the period) and the answer.
    std::vector<std::pair<QSet<QString>, bool>> answers_;
};
