// The window's analysis, from a Plot press to its results: the chosen column of the data file
// read once, with the preferences and the window kept in the record's units gathered into one
// request; prepared by core (asking first when the positions are unevenly spaced, with the
// series already read); run through the analysis service in the background. It owns the last
// result, its grids and the map's ranges; the plot (MyPlot) shows them.
#pragma once

#include "app/panels/SeriesPanel.h"
#include "app/settings/RecordUnitChoice.h"
#include "app/settings/RecordWindow.h"
#include "core/analysis/RunPreparation.h"
#include "core/results/ResultGrids.h"
#include "core/results/ResultSet.h"
#include "core/service/AnalysisService.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QProgressBar;
class QWidget;

// The six ranges of the map as last drawn or edited; empty until the first run completes.
struct AxisRanges {
    std::optional<double> xmin, xmax, ymin, ymax, zmin, zmax;
    bool complete() const { return xmin && xmax && ymin && ymax && zmin && zmax; }
};

class AnalysisRun : public QObject {
    Q_OBJECT
public:
    explicit AnalysisRun(QObject* parent = nullptr);
    // A run still in progress is cancelled and waited for: the engine never outlives it.
    ~AnalysisRun() override;

    // ---- A Plot press: load, then launch.
    struct Source {
        QString path;
        int column = 0;      // the value column; 0: none chosen yet (the first is taken)
        int headerLines = 1; // lines before the data
        bool keepColumnName = true;
        RecordUnitChoice units; // the record's, shown with its map once that is drawn
    };
    struct Refusal {
        QString text;
        bool otherFileShown = false; // the map shows another file than the one refused
        bool declined = false;       // the user chose not to run it: nothing is wrong with it
    };
    // Reads the source's file, once, and loads its column; a refusal when it cannot be read.
    std::optional<Refusal> load(const Source& source);
    // The spacing the loaded record will be analysed at, as core takes it (0: none loaded).
    double spacing() const;
    // The value columns' titles of the file loaded last (to offer when none was chosen).
    const std::vector<std::string>& columnTitles() const { return loaded_.columnTitles; }
    // Prepares the loaded record with the preferences, and with `window` in the record's units
    // where it is kept; asks `asker` first when the positions are unevenly spaced; writes the
    // derived sample counts to the preferences and starts the run. A refusal names the file.
    std::optional<Refusal> launch(QWidget* asker, bool contours,
                                  const std::optional<RecordWindow::Physical>& window);
    // The note on the spacing of the run launched last (empty: none), once.
    QString takeNote();
    const QString& note() const { return note_; }
    // The trend the run launched last removed, once.
    SeriesPanel::RemovedTrend takeTrend();
    // How many times the data files were read (a Plot press reads its file once).
    int fileReads() const { return fileReads_; }
    // The lines the file loaded last dropped, worded for the message bar (empty: none).
    QString droppedNote() const;

    // ---- Running
    // Starts a run of a series and returns at once; runFinished reports its end. The
    // provenance carries the parameters; a run the engine would refuse ends at once.
    void start(const series::Series& series, const analysis::Provenance& provenance, bool contours);
    bool isRunning() const { return running_; }
    // Ends the run at the next window boundary; the previous results stay.
    void cancel();
    void setExecution(const service::Execution& execution) { execution_ = execution; }
    // Progress goes to this indicator (null: none).
    void setProgressIndicator(QProgressBar* indicator);
    // The engine's progress callback: hands the percentage to the progress indicator.
    static void reportProgress(void* ctx, double percent);

    // ---- What the last run left
    const std::shared_ptr<const results::ResultSet>& lastResult() const { return lastResult_; }
    const std::shared_ptr<const results::Grids>& lastGrids() const { return lastGrids_; }
    bool contours() const { return contours_; }
    AxisRanges& ranges() { return ranges_; }
    // The units of the map shown: those of its record, until another run reaches the map.
    const RecordUnitChoice& shownUnits() const { return shownUnits_; }
    // The units the user states for file: the map's too when it is of that file.
    void restateUnits(const QString& file, const RecordUnitChoice& units);

    // What a finished run hands to the view, on the GUI thread, before runFinished.
    struct Timing {
        qint64 engineMs = 0, reshapeMs = 0, sincePlotMs = 0;
    };

signals:
    void runStarted();
    // The grids of a new map are in lastGrids(), its provenance in `provenance`: the view
    // draws them and sets the ranges; lastResult() follows before runFinished.
    void mapReady(const analysis::Provenance& provenance, const AnalysisRun::Timing& timing);
    // shown: a new map is on screen. message: what the status bar should say.
    void runFinished(bool shown, const QString& message);

private:
    struct Job;
    // start without its check, for a run core has prepared.
    void begin(const series::Series& series, const analysis::Provenance& provenance, bool contours);
    void finishJob(const std::shared_ptr<Job>& job);
    void showJob(const std::shared_ptr<Job>& job);
    void endRun(bool shown, const QString& message);

    // The press under way.
    analysis::RunRequest request_;
    analysis::PreparedRun loaded_;
    QString name_;
    RecordUnitChoice units_; // of the record loaded
    int fileReads_ = 0;
    QString note_;
    SeriesPanel::RemovedTrend trend_;

    // The run under way and its results.
    QPointer<QProgressBar> progressIndicator_;
    bool running_ = false;
    std::shared_ptr<Job> current_;
    service::Execution execution_;
    std::shared_ptr<const results::ResultSet> lastResult_;
    std::shared_ptr<const results::Grids> lastGrids_;
    bool contours_ = true;
    AxisRanges ranges_;
    RecordUnitChoice shownUnits_;
};
