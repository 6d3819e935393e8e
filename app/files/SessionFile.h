// A session: what is needed to come back to a record's analysis, in one small JSON text file.
// The data file is kept both relative to the session file and absolute, so that a session
// moved with its data to another machine still finds it.
#pragma once

#include "app/settings/RecordUnitChoice.h"
#include "core/tuning/Anchors.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

struct Session {
    QString dataFile; // absolute
    int column = 1;   // 1 for the first value column
    QString columnTitle;
    bool skipHeaders = true;
    int headerLines = 1;
    RecordUnitChoice units;
    QJsonObject parameters; // the preferences a run reads, by key
    QJsonObject map;        // mapOf, colours, mask, reverseX, contours
    QString trace;          // the trace file's text; empty: none
    QString targetPeriods;
    double targetRate = 1.0;
    QString agePeriod;
    double startAge = 0;
    double ageStep = 0;
    QJsonObject astroTest; // the astronomical test's settings, by field
    // The age model's track of sedimentation rates when it follows the astronomical test's:
    // position, rate (cm/kyr), unit, metresPerUnit; empty: the model is the traced line's.
    QJsonObject rateTrack;
    // The age band's settings and the anchors.
    int ensemble = 0;
    int seed = 1;
    double interval = 0.95;
    std::vector<tuning::Anchor> anchors;

    // The file's text, with the data file relative to sessionPath's folder.
    QByteArray toJson(const QString& sessionPath) const;
    // The session read from text, or why not. dataFile: the data file found relative to the
    // session file, else at its absolute path; when neither exists, the absolute path kept
    // (found false).
    static std::optional<Session> fromJson(const QByteArray& text, const QString& sessionPath,
                                           bool* found, QString* why);
};
