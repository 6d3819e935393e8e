// The main window: the data file, its value column and header lines, the plot action, the
// axis ranges, the exports, the preferences and the credits, around the map; the analysed
// series, the spectrum of one window with its lines, the whole record and the age model in docks
// around it, the tracing and target-period bars above. Its layout and menus
// are built in MainWindowLayout.cpp; each job is done by the unit named after it.
#pragma once

#include "Qplot/plot_api.h"
#include "app/files/SessionFile.h"
#include "app/settings/RecordUnitChoice.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <cmath>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QDockWidget;
class QTableWidget;
class MapChoices;
class RecentFiles;
class ResultExports;
class ViewControllerAxisControls;
class WholeRecordPanel;
class LineTracing;
class TargetPeriods;
class AgeModelPanel;
class WindowDetail;
class DataFileChooser;
class SeriesPanel;
class MapArea;
class TraceFiles;
class WindowState;
class RecordSettings;
class AstroTestPanel;
class EvolutiveTestView;
class BandPassOverlay;
class MessageBar;
class PanelDocks;

// The main window, which joins the panels, the map and the menus.
class ViewController : public QMainWindow {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // Start-up: defaults, Qt paths, the plot with its placeholder, embedded in the plot area.
    void viewDidLoad();

    // Controls, by the names the rest of the shell uses.
    QLineEdit* inputFileBox = nullptr;
    QComboBox* dataColumnPopUp = nullptr;
    QCheckBox* skipHeadersCheckBox = nullptr;
    QSpinBox* skipHeaderRows = nullptr;
    QCheckBox* significanceCheckBox = nullptr;
    QPushButton* chooseButton = nullptr;
    QPushButton* plotButton = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QFrame* boxView = nullptr;

    // Around the map: the panels in docks, the bars, and the message bar above the map.
    PanelDocks* docks = nullptr;
    MessageBar* messageBar = nullptr;
    QWidget* seriesArea = nullptr;
    QWidget* spectrumArea = nullptr;
    SeriesPlot* seriesPlot = nullptr;
    WindowPanel* spectrumPanel = nullptr;
    QTableWidget* peakTable = nullptr;
    QDoubleSpinBox* peakLevel = nullptr;
    QLabel* readoutLabel = nullptr;
    QMenu* recentMenu = nullptr;
    WindowDetail* windowDetail = nullptr;
    WholeRecordPanel* wholeRecord = nullptr;
    ResultExports* exports = nullptr;
    RecentFiles* recent = nullptr;
    QAction* plotAction = nullptr;
    QAction* showSeriesAction = nullptr;
    QAction* showSpectrumAction = nullptr;
    QAction* periodAxisAction = nullptr;
    QAction* logAxisAction = nullptr;
    QAction* showWholeRecordAction = nullptr;
    QAction* targetPeriodsAction = nullptr;
    QAction* tracingBarAction = nullptr;
    QAction* ageModelAction = nullptr;
    LineTracing* tracing = nullptr;
    TargetPeriods* targets = nullptr;
    AgeModelPanel* ageModel = nullptr;
    MapChoices* mapChoices = nullptr;
    AstroTestPanel* astroTest = nullptr;
    EvolutiveTestView* evolutiveView = nullptr;
    BandPassOverlay* bandPass = nullptr;
    QAction* astroTestAction = nullptr;
    QAction* evolutiveTestAction = nullptr;
    QAction* bandPassAction = nullptr;

    bool skipHeaders = true;
    bool plotSignificanceContours = true;
    int skippedHeadersValue = 1;

    // A press on Plot this soon after a run started is taken as the second click of a double
    // click and does not stop the run.
    int stopGuardMs = 500;

    // The last message shown in the status bar.
    QString statusMessage() const;
    // One more panel beside the map, in a dock tabbed with the others on the right, shown and
    // hidden by viewAction (placed in the View menu, made checkable). Called while the window is
    // built (before its remembered arrangement is restored), its place is remembered too.
    QDockWidget* addSidePanel(QWidget* panel, const QString& title, const QString& objectName,
                              QAction* viewAction);
    // The popover while it is open (null otherwise).
    ViewControllerAxisControls* axisControls() const { return axisControls_; }

    // The units of the chosen record: stated by the user, or guessed from its column title.
    RecordUnitChoice recordUnits;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    // A trace, an age model or session settings that would be lost on quit.
    bool hasUnsavedWork() const;
    // What a session file would keep now.
    Session currentSession() const;

public slots:
    void chooseFile();
    // What Choose does once a file is known: file box, window title, column pop-up.
    bool chooseFileAt(const QString& path);
    void setupPlot();
    void plotOrStop();
    void printImage();
    void openAxisControls();
    void prepareForSegue(const QString& identifier, QObject* destination);
    void applyAxisRanges(double xmin, double xmax, double ymin, double ymax, double zmin,
                         double zmax);
    void popoverDidClose(const QString& notification);
    void openPreferences();
    // After the preferences were saved: a map of a differently prepared series is made anew.
    void preferencesAccepted();
    void showCredits();
    void showGuide();
    // A click on the map: starts an armed trace, otherwise selects that window.
    void mapClicked(double x, double f);
    void saveTrace();
    void openTrace();
    void setRepresentedObject(const QVariant& object);
    void chooseRecordUnits();
    // The units named on the axes, panels and exports; a new record also starts the trial
    // sedimentation rate afresh.
    void setRecordUnits(const RecordUnitChoice& units, bool newRecord);
    // The units of the map shown (its record's, whatever file is chosen since).
    const RecordUnitChoice& mapUnits() const;
    bool saveSession();
    bool saveSessionTo(const QString& path);
    void openSession();
    // Sets the preferences, the file box and the map choices, and starts the run; the trace and
    // the age model follow when it is shown.
    bool openSessionAt(const QString& path);

private slots:
    void runStarted();
    void runFinished(bool shown, const QString& message);
    void pdfExported(bool written, const QString& fileName, const QString& message);
    void updateFrequencyAxis();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void embedPlot();
    void buildTuning();
    void buildAstronomicalTest();
    void nudgeWindow();
    void report(const QString& message);
    // A refused file or run: in the message bar above the map as well as in the status bar.
    void refuse(const QString& message);
    QUrl sampleDataFile() const;
    // The data file the box names (a typed path or a file: URL), absolute; empty when none.
    QString pathInBox() const;
    // After a file could not be used: the title back on the file the map shows, and words
    // saying so (empty when no map is shown).
    QString mapStillShows();
    // After a run of the file refused was refused while the map shows another: the file box, its
    // columns and the series back on the map's record, and the refused file out of Open Recent
    // unless the user only declined to run it.
    void showRecordOfMap(const QString& refused, bool declined = false);
    // The units named on the map's axes, its panels and readout: those of the map's record.
    void showMapUnits(const RecordUnitChoice& units, bool newRecord);
    void updateTitle(const QString& path);
    void restoreWindowState();
    void applyMapChoices();
    // The selected window's centre on the map and its span over the series.
    void markSelectedWindow();
    double selectedCentre_ = NAN;
    // The spacing of the chosen file (the interpolation step when one is set); 0: not known.
    double chosenSpacing() const;
    // The target periods in position units while their guides are shown.
    QList<double> targetsInUnits() const;
    // Asks before a run of path at spacing would drop the trace; false: the run is cancelled.
    bool workSurvives(const QString& path, double spacing);
    void applySessionAfterRun();
    void rateFromTrace();
    // On a record whose positions are ages, the age model's period in position units to the
    // tracing, which flags the points of that record's map drifted from it; none otherwise.
    void driftPeriodToTracing();
    // The title of the chosen file's position column (empty: none).
    QString positionTitle() const;
    // A file was chosen: its units, remembered or guessed.
    void recordChosen(const QString& file);
    std::unique_ptr<RecordSettings> recordSettings_;
    QLabel* statusText_ = nullptr;
    QString mapRecord_;   // the file of the map shown (empty: none yet)
    QString droppedNote_; // the lines the record of the last Plot press dropped
    std::optional<Session> pendingSession_;
    QString sessionPath_;
    QByteArray savedSession_; // as last saved or opened

    QMenu* viewMenu_ = nullptr;
    QPushButton* axisControlsButton = nullptr;
    QPushButton* printButton = nullptr;
    QAction* showTrendAction = nullptr;
    DataFileChooser* chooser_ = nullptr;
    SeriesPanel* seriesPanel_ = nullptr;
    MapArea* mapArea_ = nullptr;
    TraceFiles* traceFiles_ = nullptr;
    std::unique_ptr<WindowState> windowState_;
    QElapsedTimer runClock_; // since the last run started
    QVariant representedObject_;
    ViewControllerAxisControls* axisControls_ = nullptr;
};
