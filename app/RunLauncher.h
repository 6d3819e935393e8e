// What Plot starts: the chosen column of the data file with the preferences gathered into one run
// request, prepared by core (asking first when the positions are unevenly spaced), refused in
// words naming the file, or started on the map with a note on its spacing.
#pragma once

#include "app/SeriesPanel.h"

#include <QObject>
#include <QString>

#include <optional>

class DataFileChooser;
class QWidget;

class RunLauncher : public QObject {
    Q_OBJECT
public:
    RunLauncher(QWidget* window, DataFileChooser* chooser);

    struct Refusal {
        QString text;
        bool otherFileShown = false; // the map shows another file than the one refused
    };
    // Starts the run of path on sharedPlot, or says why not.
    std::optional<Refusal> launch(const QString& path, bool contours);

    // The note on the spacing of the run started last (empty: none), once.
    QString takeNote();
    // The trend the run started last removed, once.
    SeriesPanel::RemovedTrend takeTrend();
    const QString& note() const { return note_; }

private:
    QWidget* window_;
    DataFileChooser* chooser_;
    QString note_;
    SeriesPanel::RemovedTrend trend_;
};
