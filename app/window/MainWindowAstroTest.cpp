// The astronomical test's place in the main window: its panel docked beside the map, the r2_opt map
// in the map area while Analysis > Evolutive Astronomical Test is chosen, the track of optima
// handed to the age model, the band-pass over the series, and how all of them follow the map.
#include "app/window/ViewController.h"

#include "app/panels/AgeModelPanel.h"
#include "app/panels/AstroTestPanel.h"
#include "app/panels/BandPassOverlay.h"
#include "app/panels/EvolutiveTestView.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/window/MapChoices.h"
#include "app/window/PanelDocks.h"

#include <QAction>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSignalBlocker>

void ViewController::buildAstronomicalTest() {
    const auto record = [] { return sharedPlot ? sharedPlot->lastResult() : nullptr; };
    astroTest = new AstroTestPanel(this);
    astroTest->setRecordSource(record);
    addSidePanel(astroTest, "Astronomical Test", "astronomicalTest", astroTestAction);
    evolutiveView = new EvolutiveTestView(sharedPlot, this);
    bandPass = new BandPassOverlay(this, seriesPlot);
    bandPass->setRecordSource(record);
    connect(astroTest, &AstroTestPanel::message, this, &ViewController::report);
    connect(bandPass, &BandPassOverlay::message, this, &ViewController::report);
    connect(astroTestAction, &QAction::toggled, this, [this](bool on) {
        // Opened on a map: its curves at once.
        if (on && !astroTest->scan() && !astroTest->busy() && sharedPlot->lastResult())
            astroTest->runTest();
    });
    connect(bandPassAction, &QAction::triggered, bandPass, &QWidget::show);
    connect(bandPass, &BandPassOverlay::drawnOverSeries, showSeriesAction,
            [this] { showSeriesAction->setChecked(true); });
    connect(evolutiveTestAction, &QAction::toggled, this, [this](bool on) {
        if (!on) {
            evolutiveView->showAnalysisMap();
            return;
        }
        {
            const QSignalBlocker quiet(astroTestAction); // the evolutive test runs, not the scan
            astroTestAction->setChecked(true);
        }
        if (QDockWidget* dock = PanelDocks::dockOf(astroTest)) {
            dock->show();
            dock->raise();
        }
        if (evolutiveView->hasResult()) {
            evolutiveView->show();
            return;
        }
        astroTest->runEvolutive();
        if (!astroTest->busy())
            evolutiveTestAction->setChecked(false); // refused, with a message
    });
    connect(astroTest, &AstroTestPanel::evolutiveReady, this, [this] {
        evolutiveView->setTrack(astroTest->flaggedTrack());
        evolutiveView->setResult(astroTest->evolutive(), astroTest->evolutiveLogarithmic(),
                                 astroTest->evolutiveInterval());
        evolutiveView->show();
    });
    connect(astroTest, &AstroTestPanel::computationEnded, this, [this] {
        const QSignalBlocker quiet(evolutiveTestAction);
        evolutiveTestAction->setChecked(evolutiveView->isShown());
    });
    connect(evolutiveView, &EvolutiveTestView::shownChanged, this, [this](bool on) {
        const QSignalBlocker quiet(evolutiveTestAction);
        evolutiveTestAction->setChecked(on);
    });
    connect(evolutiveView, &EvolutiveTestView::readout, readoutLabel, &QLabel::setText);
    connect(evolutiveView, &EvolutiveTestView::analysisMapBack, this, [this] {
        applyMapChoices();
        tracing->setLevel(peakLevel->value());
        targets->apply();
    });
    // What redraws the analysis map's look while the r2_opt map is shown draws that map anew.
    const auto redrawShown = [this] {
        if (evolutiveView->isShown())
            evolutiveView->show();
    };
    connect(mapChoices, &MapChoices::changed, this, redrawShown);
    connect(windowDetail, &WindowDetail::lineRuleChanged, this, redrawShown);
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, redrawShown);
    connect(periodAxisAction, &QAction::toggled, this, redrawShown);
    connect(logAxisAction, &QAction::toggled, this, redrawShown);
    connect(sharedPlot, &MyPlot::runFinished, this, [this](bool shown) {
        if (!shown)
            return;
        // The new map's record: what was computed on the previous one goes.
        if (evolutiveView->isShown()) {
            evolutiveView->analysisMapDrawn();
            targets->apply();
        }
        evolutiveView->setTrack(nullptr);
        evolutiveView->setResult(nullptr, true, 0.95);
        astroTest->forgetResults();
        bandPass->clear();
        if (astroTest->isVisible())
            astroTest->runTest();
    });
    connect(ageModel, &AgeModelPanel::warning, this, [this](const QString& text) { refuse(text); });
    // The lines' cycles, the guides and a traced line's check follow the test's track.
    connect(astroTest, &AstroTestPanel::trackChanged, this, [this] {
        const std::optional<TestTrack> track = astroTest->testTrack();
        windowDetail->setTestTrack(track);
        targets->setTestTrack(track);
        ageModel->setTestTrack(track);
    });
    connect(astroTest, &AstroTestPanel::rateTrackChosen, this,
            [this](const tuning::RateTrack& track, const std::string& unit, double metres,
                   const std::optional<tuning::RowSpread>& spread) {
                ageModel->setRateTrack(sharedPlot->lastResult(), track, unit, metres, spread);
                ageModelAction->setChecked(true);
                if (QDockWidget* dock = PanelDocks::dockOf(ageModel))
                    dock->raise(); // the current tab of its group, though it was open already
                report("The age model follows the evolutive test's track of optima, each window at "
                       "the rate its lines identify.");
            });
}
