// The astronomical test in the window, on a record made here: cycles at the target periods,
// precession modulated by eccentricity, laid on a depth axis at a known rate, plus AR(1)
// noise. The panel finds the rate and its significance, Stop ends a long run, the r2_opt map
// takes the analysis map's place and gives it back unchanged, its track becomes the age model,
// and the band-pass is drawn over the series. Every window is tested and a window of noise
// stands apart; the spectral misfit finds the rate; the test's track names the lines' cycles,
// moves the target guides and questions a trace called by another cycle's period.
#include "Qplot/AgeModelPlot.h"
#include "Qplot/MisfitFigure.h"
#include "Qplot/Plot.h"
#include "Qplot/SeriesPlot.h"
#include "Qplot/TestOverlay.h"
#include "Qplot/TimeOptFigure.h"
#include "Qplot/TraceOverlay.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/AnchorList.h"
#include "app/panels/AstroTestPanel.h"
#include "app/panels/BandPassOverlay.h"
#include "app/panels/EvolutiveTestView.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/window/MessageBar.h"
#include "app/window/PanelDocks.h"
#include "app/window/ViewController.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <random>

namespace {

const double spacing = 0.04;                                 // metres per sample
const double rate = astro::gridRates(astro::RateGrid())[60]; // cm/kyr, on the default grid

// What a record holds beside eccentricity and precession: obliquity (41 kyr) of this
// amplitude, and samples [quietFrom, quietTo) of noise alone.
struct Shape {
    double obliquity = 0;
    int quietFrom = 0, quietTo = 0;
};

// n samples at times 100 z / rate: eccentricity terms, precession whose amplitude follows
// them, and AR(1) noise.
std::shared_ptr<results::ResultSet> record(int n, Shape shape = {}) {
    const astro::Targets targets;
    const double eAmp[] = {1.0, 0.6, 0.5, 0.8, 0.6}, pAmp[] = {1.0, 0.8, 0.7, 0.6};
    std::mt19937_64 g(7);
    std::normal_distribution<double> normal;
    auto r = std::make_shared<results::ResultSet>();
    r->provenance.deltat = spacing;
    double noise = normal(g);
    for (int i = 0; i < n; ++i) {
        const double t = 100 * spacing * i / rate;
        double e = 0, p = 0;
        for (std::size_t k = 0; k < 5; ++k)
            e += eAmp[k] * std::cos(2 * M_PI * t / targets.eccentricity[k] + k);
        for (std::size_t k = 0; k < 4; ++k)
            p += pAmp[k] * std::cos(2 * M_PI * t / targets.precession[k] + 2 * k);
        noise = 0.5 * noise + std::sqrt(0.75) * normal(g);
        const bool quiet = i >= shape.quietFrom && i < shape.quietTo;
        const double o = shape.obliquity * std::cos(2 * M_PI * t / 41);
        r->positions.push_back(spacing * i);
        r->values.push_back(quiet ? noise : 0.3 * e + (1 + 0.25 * e) * p + o + 0.6 * noise);
    }
    return r;
}

QString writeRecord(const QTemporaryDir& dir, int n, const char* positions = "depth_m",
                    Shape shape = {}) {
    const auto r = record(n, shape);
    const QString path = dir.filePath("orbital.txt");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(positions) + "\tgrey\n");
    for (int i = 0; i < n; ++i)
        f.write(QString("%1\t%2\n")
                    .arg(r->positions[i], 0, 'g', 17)
                    .arg(r->values[i], 0, 'g', 17)
                    .toUtf8());
    return path;
}

bool plotted(ViewController& w) {
    QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
    w.setupPlot();
    return finished.wait(60000) && finished.last().at(0).toBool();
}

// The evolutive test from the menu, waited for until its map is shown.
bool evolutiveShown(ViewController& w) {
    w.evolutiveTestAction->setChecked(true);
    return QTest::qWaitFor([&] { return w.evolutiveView->isShown(); }, 120000);
}

// Clicks and waits for the computation it started to end.
bool runTo(AstroTestPanel& panel, QPushButton* button) {
    QSignalSpy ended(&panel, &AstroTestPanel::computationEnded);
    button->click();
    return ended.wait(120000);
}

} // namespace

class TestAstro : public QObject {
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_DATA_HOME", config.path().toUtf8());
        QSettings().clear();
    }

    void findsTheRateAndItsSignificance() {
        AstroTestPanel panel(nullptr);
        const std::shared_ptr<const results::ResultSet> r = record(1000);
        panel.setRecordSource([r] { return r; });
        QVERIFY(runTo(panel, panel.testButton));
        QVERIFY(panel.scan());
        const astro::TimeOptScan& scan = *panel.scan();
        QVERIFY(std::fabs(scan.scores[scan.best].rate / rate - 1) < 0.03);
        QVERIFY(panel.outcome->text().contains("Optimal sedimentation rate"));
        // The rate's interval: said, and shaded on the figure around the optimum.
        QVERIFY2(panel.outcome->text().contains("% interval"), qPrintable(panel.outcome->text()));
        QVERIFY(panel.figure->intervalLow() < panel.figure->intervalHigh());
        QVERIFY(std::fabs(panel.figure->intervalLow() / rate - 1) < 0.03);
        QVERIFY(std::fabs(panel.figure->intervalHigh() / rate - 1) < 0.03);

        panel.simulations->setValue(40);
        QVERIFY(runTo(panel, panel.significanceButton));
        QVERIFY(panel.significance());
        QCOMPARE(panel.significance()->simulations, 40);
        QVERIFY(panel.significance()->pValue <= 0.05);
        QVERIFY(panel.outcome->text().contains("p-value"));
    }

    // A track of 2 cm/kyr with a 10 % interval per row, whose windows around 20 m depart by
    // 20 % and come back: the band is drawn around the model and the stretch shaded; a click on
    // the age plot adds an anchor there with the model's age, and a typed age pins the model to
    // it; the export carries the band.
    void theAgeBandAnchorsAndAPossibleHiatusInThePanel() {
        AgeModelPanel panel(nullptr);
        const std::shared_ptr<const results::ResultSet> r = record(1000);
        tuning::RowSpread spread;
        tuning::RateTrack track;
        for (int x = 4; x <= 36; ++x) {
            const double v = std::fabs(x - 20) <= 2 ? 2.4 : 2.0;
            track.position.push_back(x);
            track.rate.push_back(v);
            spread.main.push_back({v, v / 1.1, v * 1.1, 1});
        }
        spread.position = track.position;
        spread.windowLength = 8;
        panel.setRateTrack(r, track, "m", 1, spread);
        auto* plot = reinterpret_cast<AgeModelPlot*>(panel.plot);
        QCOMPARE(plot->bandSize(), 0); // no ensemble asked for
        QCOMPARE(plot->stretchCount(), 1);
        QVERIFY(std::fabs(panel.hiatuses().at(0).position - 20) <= 8);
        panel.ensemble->setValue(200);
        QCOMPARE(plot->bandSize(), 1000);
        QVERIFY2(panel.summary->text().contains(" Duration "), qPrintable(panel.summary->text()));
        const auto& band = panel.ensembleModel()->band;
        QVERIFY(band.low[999] < panel.model()->age[999] &&
                panel.model()->age[999] < band.high[999]);

        panel.resize(900, 600);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        plot->agePlot()->replot();
        QWidget* canvas = plot->agePlot()->canvas();
        const QPoint middle(canvas->width() / 2, canvas->height() / 2);
        const double clicked =
            plot->agePlot()->canvasMap(QwtPlot::xBottom).invTransform(middle.x());
        QTest::mouseClick(canvas, Qt::LeftButton, {}, middle);
        QCOMPARE(panel.anchors->table->rowCount(), 1);
        QVERIFY(std::fabs(panel.anchors->anchors().at(0).position - clicked) < 1e-9);
        panel.anchors->table->item(0, 1)->setText("5000");
        QVERIFY(!panel.startAge->isEnabled());
        const tuning::Anchor a = panel.anchors->anchors().at(0);
        QVERIFY2(panel.model(), qPrintable(panel.summary->text()));
        QVERIFY(std::fabs(tuning::ageAt(*panel.model(), a.position) - 5000) < 1e-6);

        QTemporaryDir dir;
        const QString out = dir.filePath("model.tsv");
        Platform::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&,
                                         QString*) { return out; });
        panel.exportModel();
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains("# anchor 1: position "));
        QVERIFY(text.contains("# possible hiatus or condensed section: at position "));
        QVERIFY(
            text.contains("position\tage\tsedimentation_rate\tage_low\tage_median\tage_high\n"));
    }

    void stopEndsTheSimulations() {
        AstroTestPanel panel(nullptr);
        const std::shared_ptr<const results::ResultSet> r = record(1000);
        panel.setRecordSource([r] { return r; });
        panel.simulations->setValue(1000000);
        QSignalSpy messages(&panel, &AstroTestPanel::message);
        QSignalSpy ended(&panel, &AstroTestPanel::computationEnded);
        panel.significanceButton->click();
        QVERIFY(panel.busy());
        QVERIFY(!panel.significanceButton->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(panel.progress->value() > 0, 60000);
        panel.stopButton->click();
        QVERIFY(ended.wait(10000));
        QVERIFY(!panel.busy());
        QVERIFY(!panel.significance());
        QVERIFY(messages.last().at(0).toString().contains("stopped"));

        // The evolutive test is stopped once its fit is done (the first of three steps); the
        // step left empty is a tenth of the window.
        QCOMPARE(panel.stepLength->text(), QString("a tenth of the window"));
        panel.windowLength->setValue(20);
        panel.simulations->setValue(20000);
        panel.evolutiveButton->click();
        QTRY_VERIFY2_WITH_TIMEOUT(panel.progress->value() >= 333 || !panel.busy(),
                                  qPrintable(messages.last().at(0).toString()), 60000);
        QVERIFY2(panel.busy(), qPrintable(messages.last().at(0).toString()));
        panel.stopButton->click();
        QVERIFY(ended.wait(10000));
        QVERIFY(!panel.evolutive() && !panel.flaggedTrack());
        QVERIFY(messages.last().at(0).toString().contains("stopped"));
    }

    void refusesBadSettingsNamingTheField_data() {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QString>("named");
        QTest::newRow("no record") << 0 << "press Plot";
        QTest::newRow("rates reversed") << 1 << "Highest rate";
        QTest::newRow("band reversed") << 2 << "Precession band";
        QTest::newRow("targets missing") << 3 << "Targets file";
        QTest::newRow("window too long") << 4 << "Window length";
    }
    void refusesBadSettingsNamingTheField() {
        QFETCH(int, setting);
        QFETCH(QString, named);
        AstroTestPanel panel(nullptr);
        const std::shared_ptr<const results::ResultSet> r = record(400);
        if (setting != 0)
            panel.setRecordSource([r] { return r; });
        QPushButton* button = panel.testButton;
        switch (setting) {
        case 1:
            panel.sedMin->setValue(4);
            panel.sedMax->setValue(1);
            break;
        case 2:
            panel.bandLow->setValue(0.07);
            break;
        case 3:
            panel.targetsFile->setText("/nonexistent/targets.tsv");
            break;
        case 4:
            panel.windowLength->setValue(1000);
            button = panel.evolutiveButton;
            break;
        }
        QSignalSpy messages(&panel, &AstroTestPanel::message);
        QSignalSpy ended(&panel, &AstroTestPanel::computationEnded);
        button->click();
        if (panel.busy())
            QVERIFY(ended.wait(60000));
        QVERIFY(!messages.isEmpty());
        QVERIFY2(messages.last().at(0).toString().contains(named),
                 qPrintable(messages.last().at(0).toString()));
        QVERIFY(!panel.scan());
        QVERIFY(!panel.evolutive());
    }

    void evolutiveMapTakesTheMapsPlaceAndGivesItBack() {
        QTemporaryDir dir;
        ViewController w;
        w.show();
        const int n = 1000;
        QVERIFY(w.chooseFileAt(writeRecord(dir, n)));
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        w.setupPlot();
        QVERIFY(finished.wait(60000));
        QVERIFY(finished.last().at(0).toBool());
        // Opened on a map, the panel tests it at once.
        QSignalSpy tested(w.astroTest, &AstroTestPanel::computationEnded);
        w.astroTestAction->setChecked(true);
        QVERIFY(tested.wait(60000));
        QVERIFY(w.astroTest->scan());
        const auto grids = sharedPlot->lastGrids();
        const std::array<double, 6> before = sharedPlot->intervals();
        Plot* plot = sharedPlot->plot();
        const QwtScaleDiv yBefore = plot->axisScaleDiv(QwtPlot::yLeft);

        w.astroTest->windowLength->setValue(20);
        w.astroTest->stepLength->setValue(4);
        w.evolutiveTestAction->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(w.evolutiveView->isShown(), 120000);
        const auto& e = *w.astroTest->evolutive();
        const std::array<double, 6> shown = sharedPlot->intervals();
        QVERIFY(shown[2] < e.rates.front() && shown[3] > e.rates.back()); // half a cell beyond
        QCOMPARE(plot->traceOverlay()->pointCount(), static_cast<int>(e.centres.size()));
        QVERIFY(w.evolutiveView->readoutAt(e.centres[1], e.rates[3]).contains(" m | rate "));
        // Every window's rate interval shaded along the track, and read out under the pointer.
        QCOMPARE(plot->traceOverlay()->intervalCount(), static_cast<int>(e.centres.size()));
        QVERIFY(w.evolutiveView->readoutAt(e.centres[1], e.rates[3]).contains("% interval"));
        QVERIFY(w.evolutiveView->readoutAt(e.centres[1], e.rates[3]).contains("r2_opt"));
        // A rate axis of less than two decades labels 1, 2 and 5 times the powers of ten.
        QVERIFY(e.rates.back() / e.rates.front() < 100);
        const QList<double> labelled =
            plot->axisScaleDiv(QwtPlot::yLeft).ticks(QwtScaleDiv::MajorTick);
        QVERIFY2(labelled.size() >= 3, qPrintable(QString::number(labelled.size())));
        QVERIFY(w.evolutiveView->readoutAt(e.centres[1], 100 * e.rates.back()).isEmpty());

        w.evolutiveTestAction->setChecked(false);
        QVERIFY(!w.evolutiveView->isShown());
        QCOMPARE(sharedPlot->lastGrids(), grids);
        const std::array<double, 6> after = sharedPlot->intervals();
        for (int k = 0; k < 6; ++k)
            QCOMPARE(after[k], before[k]);
        QCOMPARE(plot->axisScaleDiv(QwtPlot::yLeft), yBefore);
        QCOMPARE(plot->traceOverlay()->pointCount(), 0);

        // The track of optima as the age model: an age for every sample; flagged windows are
        // asked about first, and Cancel keeps the model as it was.
        const auto flags = w.astroTest->flaggedTrack()->flags;
        const bool flagged = std::any_of(flags.begin(), flags.end(), [](tuning::RateFlag f) {
            return f == tuning::RateFlag::Edge || f == tuning::RateFlag::Alias ||
                   f == tuning::RateFlag::Jump;
        });
        int asked = 0;
        Questions::asker() = [&](QWidget*, const QString&, const QString&, const QStringList&) {
            ++asked;
            return 1;
        };
        const bool hadModel = w.ageModel->model().has_value();
        w.astroTest->ageModelButton->click();
        QCOMPARE(asked, flagged ? 1 : 0);
        QCOMPARE(w.ageModel->model().has_value(), flagged ? hadModel : true);
        Questions::asker() = [](QWidget*, const QString&, const QString&, const QStringList&) {
            return 0;
        };
        QDockWidget* ageDock = PanelDocks::dockOf(w.ageModel);
        w.ageModelAction->setChecked(true);
        PanelDocks::dockOf(w.astroTest)->raise();
        QTRY_VERIFY(!w.rect().intersects(ageDock->geometry())); // open, behind the test's tab
        w.astroTest->ageModelButton->click();
        QVERIFY(w.ageModel->model());
        QCOMPARE(static_cast<int>(w.ageModel->model()->age.size()), n);
        // Brought forward, in cm/kyr like its text, without a traced cycle's period.
        QTRY_VERIFY(w.rect().intersects(ageDock->geometry()));
        QVERIFY(!w.ageModel->period->isVisible());
        QwtPlot* rates = w.ageModel->plot->ratePlot();
        QCOMPARE(rates->axisTitle(QwtPlot::yLeft).text(), QString("Rate (cm/kyr)"));
        const QRectF drawn =
            static_cast<QwtPlotCurve*>(rates->itemList(QwtPlotItem::Rtti_PlotCurve).first())
                ->boundingRect();
        QVERIFY2(drawn.top() >= e.rates.front() * 0.999 && drawn.bottom() <= e.rates.back() * 1.001,
                 qPrintable(QString("%1 to %2").arg(drawn.top()).arg(drawn.bottom())));

        // The precession band at the record's rate, in cycles per metre.
        w.bandPass->low->setValue(0.035 * 100 / rate);
        w.bandPass->high->setValue(0.065 * 100 / rate);
        QVERIFY(w.bandPass->draw());
        auto* series = reinterpret_cast<SeriesPlot*>(w.seriesPlot);
        QCOMPARE(static_cast<int>(series->bandPass()->dataSize()), n);
        QCOMPARE(static_cast<int>(series->envelope(0)->dataSize()), n);
        w.bandPass->high->setValue(20); // above the Nyquist frequency, 12.5 cycles per metre
        QVERIFY(!w.bandPass->draw());
        QVERIFY(w.statusMessage().startsWith("Band-pass"));

        // A new map: what was computed on the previous one goes.
        w.setupPlot();
        QVERIFY(finished.wait(60000));
        QVERIFY(!w.evolutiveView->hasResult());
        QVERIFY(!w.astroTest->evolutive());
        // The new map is tested, the panel being open.
        QTRY_VERIFY_WITH_TIMEOUT(w.astroTest->scan().has_value(), 60000);
        QCOMPARE(static_cast<int>(series->bandPass()->dataSize()), 0);
    }

    // With Simulations above 0 every window is tested: a window of noise alone between two of
    // signal is not significant, is flagged and stands apart on the r2_opt map, while every
    // window's identified rate is marked; the age model follows the identified rates.
    void eachWindowIsTestedAndNoiseStandsApart() {
        QTemporaryDir dir;
        ViewController w;
        w.show();
        QVERIFY(w.chooseFileAt(writeRecord(dir, 1500, "depth_m", {0, 500, 1000})));
        QVERIFY(plotted(w));
        w.astroTest->windowLength->setValue(500 * spacing); // three windows, the middle of noise
        w.astroTest->stepLength->setValue(500 * spacing);
        w.astroTest->simulations->setValue(100);
        QSignalSpy said(w.astroTest, &AstroTestPanel::message);
        QVERIFY(evolutiveShown(w));
        const astro::FlaggedTrack& t = *w.astroTest->flaggedTrack();
        QCOMPARE(t.pValues.size(), std::size_t(3));
        QVERIFY(t.significant[0] && !t.significant[1] && t.significant[2]);
        QVERIFY(t.flags[1] != tuning::RateFlag::Ok);
        const QString text = said.last().at(0).toString();
        QVERIFY2(text.contains("2 of 3 windows significant"), qPrintable(text));

        const TestOverlay* over = sharedPlot->plot()->testOverlay();
        QCOMPARE(over->shadedCount(), 1);
        const double c = t.points[1].centre;
        QVERIFY(over->shadedFrom(0) < c && c < over->shadedTo(0));
        QVERIFY(over->shadedFrom(0) > t.points[0].centre && over->shadedTo(0) < t.points[2].centre);
        QCOMPARE(over->markCount(), 3);
        QVERIFY(w.evolutiveView->readoutAt(c, t.points[1].rate).contains("window p-value"));
        // The analysis map comes back without them.
        w.evolutiveTestAction->setChecked(false);
        QCOMPARE(over->shadedCount(), 0);
        QCOMPARE(over->markCount(), 0);

        Questions::asker() = [](QWidget*, const QString&, const QString&, const QStringList&) {
            return 0;
        };
        w.astroTest->ageModelButton->click();
        QVERIFY(w.ageModel->rateTrack());
        for (int k : {0, 2})
            QVERIFY2(std::fabs(w.ageModel->rateTrack()->rate[k] / rate - 1) < 0.05,
                     qPrintable(QString::number(w.ageModel->rateTrack()->rate[k])));
    }

    // The spectral misfit of the record's lines against the rate: the figure and the text give
    // the best rate with its corrected null probability, and say when it is not significant.
    void spectralMisfitIsShownWithItsReading() {
        AstroTestPanel panel(nullptr);
        std::shared_ptr<const results::ResultSet> r = record(1000);
        panel.setRecordSource([&r] { return r; });
        for (const Shape shape : {Shape{}, Shape{0, 0, 1000}}) { // signal, then noise alone
            r = record(1000, shape);
            QVERIFY(runTo(panel, panel.misfitButton));
            QVERIFY(panel.misfit());
            const astro::MisfitScan& scan = *panel.misfit();
            const astro::MisfitRow& best = scan.rows[scan.best];
            for (const astro::MisfitRow& row : scan.rows)
                QVERIFY(row.pNull >= best.pNull);
            const QString n = QString::number(scan.rows.size());
            const QString text = panel.misfitOutcome->text();
            QVERIFY2(text.startsWith("Spectral misfit: best rate " + displayNumberText(best.rate) +
                                     " cm/kyr") &&
                         text.contains(displayNumberText(scan.bestCorrected) +
                                       " corrected for the " + n + " rates tried"),
                     qPrintable(text));
            QCOMPARE(text.contains("not significant at the 0.05 level"), scan.bestCorrected > 0.05);
            QVERIFY(panel.misfitFigure->bestText().startsWith("best "));
            QCOMPARE(panel.misfitFigure->levelLine(), 0.05 / scan.rows.size());
            QCOMPARE(panel.figures->currentIndex(), 1);
        }
        // Noise alone fits no rate.
        QVERIFY(panel.misfit()->bestCorrected > 0.05);
    }

    // With the test's track, the window's lines are named by their cycle at its rate (a column
    // copied with them), and a trace of a precession line called 41 kyr is questioned.
    void theTrackNamesLinesAndQuestionsATrace() {
        QTemporaryDir dir;
        ViewController w;
        w.show();
        QVERIFY(w.chooseFileAt(writeRecord(dir, 1000, "depth_m", {1.0})));
        // The map up to 0.15 cycles per sample: precession, 10 samples a cycle, on it.
        const char* fmax = analysis::parameter(analysis::ParameterId::Fmax).settingsKey;
        Preferences::store(fmax, 0.15);
        QVERIFY(plotted(w));
        Preferences::remove(fmax);
        const auto& r = *sharedPlot->lastResult();
        w.windowDetail->selectWindowAt(r.centre(r.windows / 2));
        QCOMPARE(w.peakTable->columnCount(), 4);
        w.astroTest->simulations->setValue(0);
        w.astroTest->windowLength->setValue(20);
        w.astroTest->stepLength->setValue(4);
        QVERIFY(evolutiveShown(w));
        w.evolutiveTestAction->setChecked(false);

        QCOMPARE(w.peakTable->columnCount(), 5);
        QCOMPARE(w.peakTable->horizontalHeaderItem(4)->text(), QString("Cycle"));
        // The rows nearest obliquity and the longer precession term at the record's rate
        // (frequencies in cycles per metre: 100 / (P rate)).
        const auto cycleNear = [&](double period) {
            const double f = 100 / (period * rate);
            int best = 0;
            for (int i = 1; i < w.peakTable->rowCount(); ++i)
                if (std::fabs(w.peakTable->item(i, 0)->text().toDouble() - f) <
                    std::fabs(w.peakTable->item(best, 0)->text().toDouble() - f))
                    best = i;
            return w.peakTable->item(best, 4)->text();
        };
        QCOMPARE(cycleNear(41), QString("o41"));
        QCOMPARE(cycleNear(astro::Targets().precession[0]), QString("p23"));
        w.windowDetail->copyPeakList();
        QVERIFY(QApplication::clipboard()->text().section('\n', 0, 0).endsWith("\tcycle"));

        int questions = 0;
        QString asked;
        Questions::asker() = [&](QWidget*, const QString& title, const QString& text,
                                 const QStringList&) {
            if (title != "Trace Against the Test")
                return 0;
            ++questions;
            asked = text;
            return 1;
        };
        w.ageModel->period->setCurrentText("41");
        w.tracing->arm();
        w.tracing->mapClicked(r.centre(r.windows / 2),
                              100 / (astro::Targets().precession[0] * rate));
        QCOMPARE(questions, 1);
        QVERIFY2(asked.contains("precession, not 41 kyr"), qPrintable(asked));
        QVERIFY(!w.messageBar->isHidden());
        QVERIFY(w.messageBar->text->text().contains("precession"));
        QVERIFY(!w.ageModel->model());
        w.ageModel->startAge->setValue(10); // the same mismatches: not asked again
        QCOMPARE(questions, 1);
        w.ageModel->period->setCurrentText("23");
        QVERIFY(w.ageModel->model());
        QCOMPARE(questions, 1);
    }

    // The target guides follow a track: at each position 1 / (P s(z)), s the track's rate
    // linear between its rows; without a track, level at the trial rate.
    void guidesFollowTheTrack() {
        QWidget host;
        Plot* plot = plotCreate(&host);
        TargetPeriods guides(&host, plot);
        host.show();
        guides.periodsText->setText("41");
        guides.rate->setValue(0.02); // m/kyr
        plotSetIntervals(plot, 0, 10, 0, 5, 0, 1);
        const TraceOverlay* over = plot->traceOverlay();
        QCOMPARE(over->guideCount(), 1);
        QCOMPARE(over->guideAt(0, 0), 1 / (41 * 0.02));
        QCOMPARE(over->guideAt(0, 10), 1 / (41 * 0.02));
        // 1 cm/kyr at 2 m rising to 2 cm/kyr at 8 m, positions in metres.
        guides.setTestTrack(TestTrack{{{2, 8}, {1, 2}}, 1, astro::Targets()});
        QVERIFY(!guides.rate->isEnabled());
        for (const auto& [z, s] : {std::pair{0.0, 0.01}, {2.0, 0.01}, {5.0, 0.015}, {10.0, 0.02}})
            QVERIFY2(std::fabs(over->guideAt(0, z) * 41 * s - 1) < 1e-3,
                     qPrintable(QString("%1: %2").arg(z).arg(over->guideAt(0, z))));
        guides.setTestTrack(std::nullopt);
        QCOMPARE(over->guideAt(0, 0), over->guideAt(0, 10));
    }

    // A record in a time unit is not tested as if its ages were depths: the panel says the
    // test needs a depth record.
    void anAgeRecordIsNotTested() {
        QTemporaryDir dir;
        ViewController w;
        QVERIFY(w.chooseFileAt(writeRecord(dir, 600, "age_ka")));
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        w.setupPlot();
        QVERIFY(finished.wait(60000));
        QSignalSpy said(w.astroTest, &AstroTestPanel::message);
        w.astroTest->runTest();
        QVERIFY(!w.astroTest->busy());
        QCOMPARE(said.size(), 1);
        const QString text = said.first().first().toString();
        QVERIFY2(text.contains("in ka, a time unit") && text.contains("depth record"),
                 qPrintable(text));
    }
};

QTEST_MAIN(TestAstro)
#include "test_astro.moc"
