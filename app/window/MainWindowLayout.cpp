// The main window's layout and menus: what ViewController builds once at start-up, and how its
// controls, panels and menu items are wired to the units that do their jobs.
#include "app/window/ViewController.h"

#include "app/files/ResultExports.h"
#include "app/files/TraceFiles.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/LineTracing.h"
#include "app/panels/SeriesPanel.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/ElidedLabel.h"
#include "app/window/DataFileChooser.h"
#include "app/window/MapArea.h"
#include "app/window/MapChoices.h"
#include "app/window/MessageBar.h"
#include "app/window/PanelDocks.h"
#include "app/window/RecentFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace {

void traceDragged(void* ctx, int index, double f) {
    static_cast<LineTracing*>(ctx)->pointDragged(index, f);
}

} // namespace

void ViewController::buildWindow() {
    setWindowTitle("Tonalith");
    // The file row and the actions on one bar above everything else.
    auto* controls = new QWidget(this);
    auto* column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);

    chooser_ = new DataFileChooser(controls, skippedHeadersValue);
    chooseButton = chooser_->chooseButton;
    inputFileBox = chooser_->inputFileBox;
    dataColumnPopUp = chooser_->dataColumnPopUp;
    skipHeadersCheckBox = chooser_->skipHeadersCheckBox;
    skipHeaderRows = chooser_->skipHeaderRows;
    column->addWidget(chooser_);

    auto* actionRow = new QHBoxLayout();
    significanceCheckBox = new QCheckBox("Significance contours", controls);
    significanceCheckBox->setToolTip(
        "Contour lines of the F-test probability at 0.8, 0.9, 0.95 and 0.99");
    plotButton = new QPushButton("Plot", controls);
    plotButton->setDefault(true);
    plotButton->setToolTip(
        "Analyse the chosen column and draw the map (Ctrl+R); Stop while it runs");
    axisControlsButton = new QPushButton("Ranges...", controls);
    axisControlsButton->setToolTip("Edit the ranges of the map (Ctrl+E)");
    printButton = new QPushButton("Export PDF...", controls);
    printButton->setToolTip("The map as an A4 landscape PDF (Ctrl+P)");
    actionRow->addWidget(significanceCheckBox);
    actionRow->addStretch(1);
    actionRow->addWidget(plotButton);
    actionRow->addWidget(axisControlsButton);
    actionRow->addWidget(printButton);
    column->addLayout(actionRow);
    auto* fileBar = addToolBar("File and Plot");
    fileBar->setObjectName("fileBar");
    fileBar->setMovable(false);
    fileBar->toggleViewAction()->setVisible(false); // always there
    fileBar->addWidget(controls);

    // The centre: a message the user must not miss, then the map.
    auto* central = new QWidget(this);
    auto* centre = new QVBoxLayout(central);
    centre->setContentsMargins(0, 0, 0, 0);
    messageBar = new MessageBar(central);
    centre->addWidget(messageBar);
    mapArea_ = new MapArea(central);
    boxView = mapArea_;
    // The map keeps a useful height whatever the panels around it take.
    boxView->setMinimumHeight(fontMetrics().height() * 16);
    boxView->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    centre->addWidget(mapArea_, 1);
    setCentralWidget(central);

    docks = new PanelDocks(this);
    showSeriesAction = new QAction("&Series Above the Map", this);
    showSpectrumAction = new QAction("Spectrum of the &Window", this);
    showWholeRecordAction = new QAction("Spectrum of the W&hole Record", this);
    ageModelAction = new QAction("&Age Model", this);
    seriesPanel_ = new SeriesPanel(this);
    seriesArea = seriesPanel_;
    seriesPlot = seriesPanel_->plot;
    docks->addPanel(seriesPanel_, "Series", "seriesDock", Qt::TopDockWidgetArea, showSeriesAction,
                    false);
    windowDetail = new WindowDetail(this);
    spectrumArea = windowDetail;
    spectrumPanel = windowDetail->spectrumPanel;
    peakTable = windowDetail->peakTable;
    peakLevel = windowDetail->peakLevel;
    docks->addPanel(windowDetail, "Window Detail", "windowDetailDock", Qt::RightDockWidgetArea,
                    showSpectrumAction);
    wholeRecord = new WholeRecordPanel(this);
    docks->addPanel(wholeRecord, "Whole Record", "wholeRecordDock", Qt::RightDockWidgetArea,
                    showWholeRecordAction);

    statusText_ = new ElidedLabel(this);
    statusText_->setObjectName("statusText");
    statusBar()->addWidget(statusText_, 1);
    readoutLabel = windowDetail->readoutLabel;
    statusBar()->addPermanentWidget(readoutLabel);
    progressIndicator = new QProgressBar(this);
    progressIndicator->setRange(0, 1000);
    progressIndicator->setTextVisible(false);
    progressIndicator->setMaximumWidth(240);
    progressIndicator->hide();
    statusBar()->addPermanentWidget(progressIndicator);

    connect(chooser_, &DataFileChooser::fileNamed, this, [this](const QString& file) {
        updateTitle(file);
        setRepresentedObject(QUrl::fromLocalFile(file));
    });
    connect(chooser_, &DataFileChooser::refused, this,
            [this](const QString& text) { refuse(text + mapStillShows()); });
    connect(chooser_, &DataFileChooser::message, this, &ViewController::report);
    connect(chooser_, &DataFileChooser::fileRead, this, &ViewController::recordChosen);
    connect(chooser_, &DataFileChooser::fileRead, mapArea_, &MapArea::fileChosen);
    // The chosen column above the map, before any run.
    connect(chooser_, &DataFileChooser::columnChosen, seriesPanel_, [this] {
        if (const auto s = chooser_->chosenSeries())
            seriesPanel_->showColumn(*s, dataColumnPopUp->currentText());
    });
    connect(mapArea_, &MapArea::positionRangeShown, seriesPanel_, &SeriesPanel::setRange);
    connect(mapArea_, &MapArea::windowStep, windowDetail, [this](int step) {
        const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
        if (!r || r->windows < 1)
            return;
        const int now = windowDetail->selectedWindow();
        windowDetail->selectWindowAt(
            r->centre(now < 0 ? 0 : std::clamp(now + step, 0, r->windows - 1)));
    });
    connect(mapArea_, &MapArea::frequencyAxisSet, wholeRecord, &WholeRecordPanel::setFrequencyAxis);
    connect(mapArea_, &MapArea::frequencyAxisSet, this, [this](bool periods, bool logarithmic) {
        windowPanelSetFrequencyAxis(spectrumPanel, periods, logarithmic);
    });
    connect(plotButton, &QPushButton::clicked, this, &ViewController::plotOrStop);
    connect(axisControlsButton, &QPushButton::clicked, this, &ViewController::openAxisControls);
    connect(printButton, &QPushButton::clicked, this, &ViewController::printImage);
    connect(windowDetail, &WindowDetail::message, this, &ViewController::report);
    connect(wholeRecord, &WholeRecordPanel::message, this, &ViewController::report);
    exports = new ResultExports(this);
    connect(exports, &ResultExports::message, this, &ViewController::report);
    connect(skipHeadersCheckBox, &QCheckBox::toggled, this, [this](bool on) { skipHeaders = on; });
    connect(significanceCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        plotSignificanceContours = on;
        if (sharedPlot)
            sharedPlot->setContoursShown(on); // the map shown follows at once
    });
    // About 1200 x 800 at first, never past the screen.
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    resize(shown ? QSize(1200, 800).boundedTo(shown->availableGeometry().size())
                 : QSize(1200, 800));
}

void ViewController::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", this, &ViewController::chooseFile, QKeySequence::Open);
    recentMenu = file->addMenu("Open &Recent");
    recent = new RecentFiles(recentMenu, this);
    connect(recent, &RecentFiles::chosen, this, &ViewController::chooseFileAt);
    connect(chooser_, &DataFileChooser::fileRead, recent, &RecentFiles::add);
    file->addSeparator();
    file->addAction("Open &Session...", this, &ViewController::openSession,
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    file->addAction("Sa&ve Session...", this, &ViewController::saveSession,
                    QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    file->addAction("Export &Results...", exports, &ResultExports::exportResults,
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addAction("Export &Map...", exports, &ResultExports::exportMap,
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    file->addAction("&Export PDF...", this, &ViewController::printImage,
                    QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    file->addAction("&Quit", qApp, &QApplication::closeAllWindows,
                    QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = menuBar()->addMenu("&Edit");
    undoAction = edit->addAction("&Undo");
    undoAction->setShortcut(QKeySequence::Undo);
    redoAction = edit->addAction("&Redo");
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence::Redo});

    QMenu* analysisMenu = menuBar()->addMenu("&Analysis");
    plotAction = analysisMenu->addAction("&Plot", this, &ViewController::plotOrStop,
                                         QKeySequence(Qt::CTRL | Qt::Key_R));
    analysisMenu->addAction("Axis &Ranges...", this, &ViewController::openAxisControls,
                            QKeySequence(Qt::CTRL | Qt::Key_E));
    analysisMenu->addAction("&Copy Lines of the Window", windowDetail, &WindowDetail::copyPeakList,
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    analysisMenu->addAction("E&xport Lines of the Window...", windowDetail,
                            &WindowDetail::exportPeakList,
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    analysisMenu->addSeparator();
    analysisMenu->addAction(
        "&Trace Line", this,
        [this] {
            tracingBarAction->setChecked(true);
            tracing->arm();
        },
        QKeySequence(Qt::CTRL | Qt::Key_T));
    analysisMenu->addAction("&Save Trace...", this, &ViewController::saveTrace,
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    analysisMenu->addAction("&Open Trace...", this, &ViewController::openTrace,
                            QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T));
    analysisMenu->addAction(ageModelAction);
    ageModelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    analysisMenu->addSeparator();
    analysisMenu->addAction("Record &Units...", this, &ViewController::chooseRecordUnits,
                            QKeySequence(Qt::CTRL | Qt::Key_U));
    astroTestAction = analysisMenu->addAction("Astro&nomical Test");
    evolutiveTestAction = analysisMenu->addAction("E&volutive Astronomical Test");
    astroTestAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    evolutiveTestAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    astroTestAction->setCheckable(true);
    evolutiveTestAction->setCheckable(true);
    bandPassAction = analysisMenu->addAction("&Band-pass...");
    bandPassAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    analysisMenu->addSeparator();
    analysisMenu->addAction("P&references...", this, &ViewController::openPreferences,
                            QKeySequence(Qt::CTRL | Qt::Key_Comma));

    QMenu* view = menuBar()->addMenu("&View");
    viewMenu_ = view;
    view->addAction(showSeriesAction);
    showSeriesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    view->addAction(showSpectrumAction);
    showSpectrumAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    view->addAction(showWholeRecordAction);
    showWholeRecordAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_8));
    view->addAction(ageModelAction);
    tracingBarAction = view->addAction("T&racing Bar");
    tracingBarAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    targetPeriodsAction = view->addAction("&Target Periods");
    targetPeriodsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_9));
    showWholeRecordAction->setToolTip(
        "The whole record's multitaper spectrum with its red-noise background and levels");
    view->addSeparator();
    periodAxisAction = view->addAction("Frequency Axis in &Periods");
    periodAxisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
    logAxisAction = view->addAction("&Logarithmic Frequency Axis");
    logAxisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_4));
    for (QAction* a : {periodAxisAction, logAxisAction})
        a->setCheckable(true);
    connect(windowDetail, &WindowDetail::windowSelected, showSpectrumAction, [this] {
        showSpectrumAction->setChecked(true);
        markSelectedWindow();
    });
    connect(periodAxisAction, &QAction::toggled, this, &ViewController::updateFrequencyAxis);
    connect(logAxisAction, &QAction::toggled, this, &ViewController::updateFrequencyAxis);
    view->addSeparator();
    mapChoices = new MapChoices(view, this);
    connect(mapChoices, &MapChoices::changed, this, &ViewController::applyMapChoices);
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), mapChoices,
            &MapChoices::setMaskLevel);
    mapChoices->setMaskLevel(peakLevel->value());
    connect(windowDetail, &WindowDetail::lineRuleChanged, this, &ViewController::applyMapChoices);
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this] {
        wholeRecord->setResult(sharedPlot ? sharedPlot->lastResult() : nullptr, peakLevel->value());
    });
    showTrendAction = view->addAction("Removed &Trend Over the Series");
    showTrendAction->setCheckable(true);
    showTrendAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_7));
    showTrendAction->setToolTip("With detrending: the series before detrending with the removed "
                                "trend drawn over it, instead of the analysed series");
    connect(showTrendAction, &QAction::toggled, seriesPanel_, &SeriesPanel::setTrendShown);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Guide", this, &ViewController::showGuide,
                    QKeySequence(Qt::SHIFT | Qt::Key_F1));
    help->addAction("&Credits", this, &ViewController::showCredits, QKeySequence::HelpContents);
}

void ViewController::buildTuning() {
    Plot* plot = sharedPlot->plot();
    tracing = new LineTracing(this, plot);
    docks->addBar(tracing, "Tracing", "tracingBar", tracingBarAction);
    targets = new TargetPeriods(this, plot);
    docks->addBar(targets, "Target Periods", "targetPeriodsBar", targetPeriodsAction);
    ageModel = new AgeModelPanel(this);
    docks->addPanel(ageModel, "Age Model", "ageModelDock", Qt::RightDockWidgetArea, ageModelAction);
    ageModel->setPeriods(targets->periods());
    plotSetTraceDragCallback(plot, tracing, &traceDragged);
    connect(tracing, &LineTracing::message, this, &ViewController::report);
    connect(ageModel, &AgeModelPanel::message, this, &ViewController::report);
    connect(targets, &TargetPeriods::periodsChanged, this, [this] {
        ageModel->setPeriods(targets->periods());
        driftPeriodToTracing();
    });
    connect(ageModel->period, &QComboBox::currentTextChanged, this,
            &ViewController::driftPeriodToTracing);
    connect(tracing, &LineTracing::changed, this, [this] {
        ageModel->setTrace(sharedPlot->lastResult(), tracing->points());
        rateFromTrace();
        markSelectedWindow();
    });
    // Dragged points are undone from the Edit menu.
    connect(undoAction, &QAction::triggered, tracing->edits, &QUndoStack::undo);
    connect(redoAction, &QAction::triggered, tracing->edits, &QUndoStack::redo);
    connect(tracing->edits, &QUndoStack::canUndoChanged, undoAction, &QAction::setEnabled);
    connect(tracing->edits, &QUndoStack::canRedoChanged, redoAction, &QAction::setEnabled);
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    connect(ageModel, &AgeModelPanel::analyse, this, [this](const QString& path) {
        // The tuned series takes the record's place, measured in the ages' unit; the title
        // names it.
        RecordUnitChoice::remember(path, {mapUnits().age, mapUnits().age});
        if (chooseFileAt(path))
            setupPlot();
    });
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), tracing,
            &LineTracing::setLevel);
    traceFiles_ = new TraceFiles(this, tracing);
    connect(traceFiles_, &TraceFiles::message, this, &ViewController::report);
    buildAstronomicalTest();
}
