#include "app/panels/TraceFlags.h"

#include "app/services/NumberText.h"

#include <QStringList>

#include <algorithm>

bool isFlagged(const tuning::TracePoint& p) {
    return p.flag == tuning::TraceFlag::Jump || p.flag == tuning::TraceFlag::Edge ||
           p.flag == tuning::TraceFlag::Drift;
}

int flaggedCount(const std::vector<tuning::TracePoint>& trace) {
    return static_cast<int>(std::count_if(trace.begin(), trace.end(), isFlagged));
}

namespace {

bool anyDrift(const std::vector<tuning::TracePoint>& trace) {
    return std::any_of(trace.begin(), trace.end(),
                       [](const auto& p) { return p.flag == tuning::TraceFlag::Drift; });
}

} // namespace

QString flaggedKinds(const std::vector<tuning::TracePoint>& trace) {
    return anyDrift(trace) ? "jump, edge or drift" : "jump or edge";
}

QString flaggedMeaning(const std::vector<tuning::TracePoint>& trace) {
    return anyDrift(trace) ? "jumped to another cycle, left the search band or drifted from its "
                             "period (the positions are ages, and a cycle keeps its frequency "
                             "1 / period within the half-bandwidth W)"
                           : "jumped to another cycle or left the search band";
}

QString flaggedWindows(const std::vector<tuning::TracePoint>& trace, int named) {
    QStringList listed;
    bool more = false;
    for (const tuning::TracePoint& p : trace) {
        if (!isFlagged(p))
            continue;
        if (named >= 0 && listed.size() == named) {
            more = true;
            break;
        }
        listed << QString("%1 (%2)").arg(displayNumberText(p.centre),
                                         tuning::traceFlagName(p.flag));
    }
    return listed.join(", ") + (more ? ", ..." : "");
}

void flagByLevel(tuning::TracePoint& p, double level) {
    if (!isFlagged(p))
        p.flag = p.probability >= level && p.probability <= 1.0 ? tuning::TraceFlag::Ok
                                                                : tuning::TraceFlag::Weak;
}
