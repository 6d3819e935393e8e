#include "app/files/SessionFile.h"

#include "core/text/NumberText.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
const char* const format = "tonalith-session";
const int version = 1;

// A setting as a person writes it: the noise of the arithmetic that made it is not kept.
double written(double v) {
    return QString::fromStdString(text::writtenNumber(v)).toDouble(); // in the C locale
}

// Each anchor as [position, age, sd].
QJsonArray anchorArray(const std::vector<tuning::Anchor>& anchors) {
    QJsonArray out;
    for (const tuning::Anchor& a : anchors)
        out.append(QJsonArray{a.position, a.age, a.sd});
    return out;
}
} // namespace

QByteArray Session::toJson(const QString& sessionPath) const {
    const QDir folder = QFileInfo(sessionPath).absoluteDir();
    QJsonObject data{
        {"path", dataFile},           {"relativePath", folder.relativeFilePath(dataFile)},
        {"column", column},           {"columnTitle", columnTitle},
        {"skipHeaders", skipHeaders}, {"headerLines", headerLines}};
    QJsonObject o{
        {"format", format},
        {"version", version},
        {"data", data},
        {"units", QJsonObject{{"position", units.position}, {"age", units.age}}},
        {"parameters", parameters},
        {"map", map},
        {"trace", trace},
        {"targets", QJsonObject{{"periods", targetPeriods}, {"rate", written(targetRate)}}},
        {"ageModel", QJsonObject{{"period", agePeriod},
                                 {"startAge", written(startAge)},
                                 {"step", written(ageStep)},
                                 {"rateTrack", rateTrack},
                                 {"ensemble", ensemble},
                                 {"seed", seed},
                                 {"interval", written(interval)},
                                 {"anchors", anchorArray(anchors)}}},
        {"astronomicalTest", astroTest}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

std::optional<Session> Session::fromJson(const QByteArray& text, const QString& sessionPath,
                                         bool* found, QString* why) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (doc.isNull()) {
        *why = "it is not JSON (" + error.errorString() + " at character " +
               QString::number(error.offset) + ")";
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    if (o.value("format").toString() != format) {
        *why = "it is not a Tonalith session";
        return std::nullopt;
    }
    if (o.value("version").toInt() > version) {
        *why = "it was written by a newer Tonalith";
        return std::nullopt;
    }
    Session s;
    const QJsonObject data = o.value("data").toObject();
    const QString relative = QFileInfo(sessionPath)
                                 .absoluteDir()
                                 .absoluteFilePath(data.value("relativePath").toString());
    const QString absolute = data.value("path").toString();
    *found = true;
    if (!data.value("relativePath").toString().isEmpty() && QFileInfo(relative).isFile())
        s.dataFile = QDir::cleanPath(relative);
    else {
        s.dataFile = absolute;
        *found = QFileInfo(absolute).isFile();
    }
    s.column = data.value("column").toInt(1);
    s.columnTitle = data.value("columnTitle").toString();
    s.skipHeaders = data.value("skipHeaders").toBool(true);
    s.headerLines = data.value("headerLines").toInt(1);
    const QJsonObject u = o.value("units").toObject();
    s.units = {u.value("position").toString(), u.value("age").toString("kyr")};
    s.parameters = o.value("parameters").toObject();
    s.map = o.value("map").toObject();
    s.trace = o.value("trace").toString();
    const QJsonObject t = o.value("targets").toObject();
    s.targetPeriods = t.value("periods").toString();
    s.targetRate = t.value("rate").toDouble(1.0);
    const QJsonObject a = o.value("ageModel").toObject();
    s.agePeriod = a.value("period").toString();
    s.startAge = a.value("startAge").toDouble();
    s.ageStep = a.value("step").toDouble();
    s.rateTrack = a.value("rateTrack").toObject();
    s.astroTest = o.value("astronomicalTest").toObject();
    s.ensemble = a.value("ensemble").toInt(0);
    s.seed = a.value("seed").toInt(1);
    s.interval = a.value("interval").toDouble(0.95);
    for (const QJsonValue v : a.value("anchors").toArray()) {
        const QJsonArray anchor = v.toArray();
        s.anchors.push_back(
            {anchor.at(0).toDouble(), anchor.at(1).toDouble(), anchor.at(2).toDouble()});
    }
    return s;
}
