// The application with its real widgets on the offscreen platform: choosing a file, the run
// and its hand-off to the map, preferences, the axis popover, the export, and the mends.
#include "Qplot/ColorMaps.h"
#include "Qplot/Plot.h"
#include "Qplot/QwtPlotTonalith2.h"
#include "Qplot/SeriesPlot.h"
#include "Qplot/WindowPanel.h"
#include "app/files/ResultExports.h"
#include "app/files/WholeFile.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/run/UnevenSpacingDialog.h"
#include "app/services/PlatformServices.h"
#include "app/settings/Preferences.h"
#include "app/settings/PreferencesDialog.h"
#include "app/settings/RecordUnitFields.h"
#include "app/window/AppDelegate.h"
#include "app/window/GuideDialog.h"
#include "app/window/MapChoices.h"
#include "app/window/RecentFiles.h"
#include "app/window/ViewController.h"
#include "app/window/ViewControllerAxisControls.h"
#include "app/window/ViewControllerCredits.h"
#include "engine/mwc2.h"

#include <qwt_matrix_raster_data.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_scale_widget.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

// Collects what the process writes to standard output while it lives.
class StdoutCapture {
public:
    StdoutCapture() {
        std::fflush(stdout);
        saved_ = ::dup(1);
        file_ = std::tmpfile();
        ::dup2(::fileno(file_), 1);
    }
    ~StdoutCapture() { restore(); }
    QString text() {
        restore();
        std::rewind(file_);
        QByteArray bytes;
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, file_)) > 0;)
            bytes.append(buf, static_cast<int>(n));
        return QString::fromUtf8(bytes);
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stdout);
        ::dup2(saved_, 1);
        ::close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

QString writeSeries(const QTemporaryDir& dir, const QString& name, int n, double dt = 1.0,
                    const std::function<double(int)>& value = {}) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("depth\td18O\tcarbonate\n");
    for (int i = 0; i < n; ++i) {
        const double v =
            value ? value(i) : std::sin(2 * M_PI * i / 41.0) + 0.5 * std::sin(2 * M_PI * i / 23.0);
        f.write(QString("%1\t%2\t%3\n")
                    .arg(i * dt, 0, 'g', 17)
                    .arg(v, 0, 'g', 17)
                    .arg(1.0 + 0.1 * i)
                    .toUtf8());
    }
    return path;
}

// The analysis parameters stored in the settings file (other keys hold window state).
QStringList analysisKeysStored() {
    QStringList stored;
    for (const char* key :
         {"timeBandwidthProduct", "numberOfTapers", "pointsPerWindow", "windowIncrement",
          "fftPoints", "fmax", "probability", "interpolateToEvenSpacing"})
        if (QSettings().contains(key))
            stored << key;
    return stored;
}

bool waitForRun(ViewController&, int timeoutMs = 60000) {
    QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
    return finished.wait(timeoutMs);
}

QwtMatrixRasterData* installedMatrix() {
    return dynamic_cast<QwtMatrixRasterData*>(sharedPlot->plot()->item()->data());
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase() {
        // Preferences go to a settings file of this test run alone.
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_DATA_HOME", config.path().toUtf8());
        QSettings().clear();
    }

    void init() {
        QSettings().clear();
        Platform::setOpenFileChooser(
            [](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
        axisRanges() = AxisRanges{};
    }

    void startUpShowsThePlaceholder() {
        StdoutCapture out;
        ViewController w;
        w.show();
        const QString text = out.text();
        QVERIFY(text.contains("BundlePath= "));
        QVERIFY(text.contains(QCoreApplication::applicationDirPath()));
        QCOMPARE(QCoreApplication::libraryPaths().size(), 2);
        QVERIFY(text.contains("window="));
        QCOMPARE(w.windowTitle(), QString("Tonalith"));
        QVERIFY(sharedPlot && sharedPlot->parent() == &w);
        QVERIFY(!w.progressIndicator->isVisible());
        const std::array<double, 6> v = sharedPlot->intervals();
        QCOMPARE(v[0], 0.0);
        QCOMPARE(v[1], 1.0);
        QCOMPARE(MyPlot::placeholderLevels(),
                 (QVector<double>{0.0, 0.2, 0.4, 0.6000000000000001, 0.8}));
        // The plot fills the plot area and follows the window's size.
        QTRY_VERIFY(sharedPlot->widget()->width() > w.boxView->width() - 20);
        const QSize before = sharedPlot->widget()->size();
        w.resize(w.width() + 200, w.height() + 100);
        QTRY_VERIFY(sharedPlot->widget()->width() >= before.width() + 150);
        QTRY_VERIFY(sharedPlot->widget()->height() >= before.height() + 50);
    }

    void codesOutsideTheirRangeHaveNoValue() {
        QVERIFY(!PlotCodes::interpolationMode(2));
        QVERIFY(PlotCodes::interpolationMode(1) ==
                PlotCodes::QwtRasterDataInterpolationMode::bilinear);
        QVERIFY(!PlotCodes::axisId(4));
        QVERIFY(!PlotCodes::colorTableSize(-1));
        QVERIFY(PlotCodes::colorMap(0) == PlotCodes::QwtColorMap::rgb);
        QVERIFY(!PlotCodes::colorMap(6));
    }

    void chooseAFileAndPlotIt() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "core.txt", 1000, 0.5);
        QString askedTitle;
        QString askedFilter;
        Platform::setOpenFileChooser(
            [&](QWidget*, const QString& title, const QString& filter, const QString&) {
                askedTitle = title;
                askedFilter = filter;
                return path;
            });
        ViewController w;
        w.show();
        StdoutCapture out;
        w.chooseFile();
        QCOMPARE(askedTitle, QString("Select Text File"));
        QCOMPARE(askedFilter, QString("Text files (*.txt *.tab *.TXT *.TAB *.csv *.CSV *.tsv *.TSV "
                                      "*.dat *.DAT);;All files (*)"));
        QCOMPARE(w.dataColumnPopUp->count(), 2);
        QCOMPARE(w.dataColumnPopUp->itemText(0), QString("d18O"));
        QCOMPARE(w.dataColumnPopUp->itemText(1), QString("carbonate"));
        QCOMPARE(w.dataColumnPopUp->currentIndex(), 0); // the first entry is selected
        QCOMPARE(w.inputFileBox->text(), path);         // a path, not a file: URL
        QVERIFY(w.windowTitle().contains("core.txt"));

        QSignalSpy started(sharedPlot, &MyPlot::runStarted);
        w.setupPlot();
        QCOMPARE(started.size(), 1);
        QCOMPARE(w.plotButton->text(), QString("Stop")); // Plot becomes Stop while the run goes on
        QVERIFY(w.progressIndicator->isVisible());
        QVERIFY(waitForRun(w));
        QCOMPARE(w.plotButton->text(), QString("Plot"));
        QVERIFY(!w.progressIndicator->isVisible());
        const QString text = out.text();
        QVERIFY(text.contains("file selected: " + path));
        QVERIFY(text.contains("6150 1000"));
        QVERIFY(text.contains(QString::fromUtf8("Spectrum calculation complete 👍")));

        QwtMatrixRasterData* m = installedMatrix();
        QVERIFY(m);
        QCOMPARE(m->numColumns(), 25);
        QCOMPARE(m->numRows(), 246);
        // Spacing 0.5: frequencies in cycles per position unit, up to 245 / (4096 * 0.5). The
        // ranges are the grid's; the matrix reaches half a cell (6.25 by 1/4096) beyond them.
        const std::array<double, 6> v = sharedPlot->intervals();
        const AxisRanges& r = axisRanges();
        QVERIFY(r.complete());
        QCOMPARE(*r.xmin, 100.0); // first centre: 0 + 0.5 * 200
        QCOMPARE(*r.ymin, 0.0);
        QCOMPARE(*r.ymax, 245 / (4096 * 0.5));
        QCOMPARE(v[0], 100.0 - 6.25);
        QCOMPARE(v[1], *r.xmax + 6.25);
        QCOMPARE(v[2], -0.5 / 2048);
        QCOMPARE(v[3], *r.ymax + 0.5 / 2048);
        QCOMPARE(*r.zmin, v[4]);
        QCOMPARE(*r.zmax, v[5]);
        QCOMPARE(w.statusMessage(),
                 QString("Spectrum calculation complete: 25 windows x 246 frequencies"));
        QVERIFY(sharedPlot->plot()->item()->testDisplayMode(QwtPlotTonalith2::ContourMode));
        QCOMPARE(sharedPlot->plot()->item()->contourLevels(),
                 (QList<double>{0.8, 0.9, 0.95, 0.99}));
        QCOMPARE(sharedPlot->plot()->item()->colorTableSize(), 16384);
        // The map says what it shows: the positions' name and unit, the colour, the contours.
        Plot* plot = sharedPlot->plot();
        QCOMPARE(plot->axisTitle(QwtPlot::xBottom).text(), QString("depth"));
        QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QString("Frequency (cycles per depth)"));
        QCOMPARE(plot->axisTitle(QwtPlot::yRight).text(), QString("Intensity (line amplitude)"));
        QCOMPARE(plot->footer().text(),
                 QString("Contour lines: F-test probability 0.8, 0.9, 0.95, 0.99"));
        w.periodAxisAction->setChecked(true);
        QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QString("Period (depth)"));
        QCOMPARE(reinterpret_cast<WindowPanel*>(w.spectrumPanel)
                     ->probabilityPlot()
                     ->axisTitle(QwtPlot::xBottom)
                     .text(),
                 QString("Period"));
        w.periodAxisAction->setChecked(false);
    }

    void cancelledDialogAndUnreadableFileAreReported() {
        ViewController w;
        StdoutCapture out;
        w.chooseFile();
        QVERIFY(out.text().contains("file selection was canceled"));
        QVERIFY(w.statusMessage().contains("canceled"));
        QVERIFY(!w.chooseFileAt("/nonexistent/data.txt"));
        QVERIFY(w.statusMessage().contains("Cannot read data.txt"));
    }

    void sampleWithoutAColumnAnalysesTheFirstValueColumn() {
        ViewController w;
        w.show();
        StdoutCapture out;
        w.setupPlot(); // empty file box: the sample etp.txt
        QVERIFY(waitForRun(w));
        QVERIFY(w.inputFileBox->text().startsWith("/"));
        QVERIFY(w.inputFileBox->text().endsWith("etp.txt"));
        QCOMPARE(w.dataColumnPopUp->itemText(0), QString("etp"));
        QCOMPARE(w.dataColumnPopUp->currentIndex(), 0);
        QVERIFY(out.text().contains("15990 2001")); // 65 windows x 246 rows, 2001 samples
        QCOMPARE(installedMatrix()->numColumns(), 65);
        // The values analysed are ETP (amplitudes of order 1), not the ages (up to 2000).
        QVERIFY(*axisRanges().zmax < 5.0);
        QVERIFY(*axisRanges().zmax > 0.1);
    }

    void preferencesAreReadAtEveryRunAndDefaultsAreNeverWritten() {
        Preferences::registerDefaults();
        QCOMPARE(Preferences::read(Preferences::numberOfTapers), 4);
        QCOMPARE(Preferences::read(Preferences::fmax), 0.06);
        QVERIFY(analysisKeysStored().isEmpty());

        QTemporaryDir dir;
        const QString path = writeSeries(dir, "p.txt", 1000);
        ViewController w;
        w.chooseFileAt(path);
        Preferences::store("numberOfTapers", 8);
        Preferences::store("pointsPerWindow", 500);
        StdoutCapture out;
        w.setupPlot();
        QVERIFY(waitForRun(w));
        QVERIFY(out.text().contains(
            "ps tbw,kspec,mpts,inc,nfft,fmax,iprob,deltat : 3 8 500 25 4096 0.06 95 1"));
        QCOMPARE(installedMatrix()->numColumns(), 21); // (1000 - 500) / 25 + 1

        Preferences::remove("numberOfTapers");
        Preferences::remove("pointsPerWindow");
        QCOMPARE(Preferences::read(Preferences::numberOfTapers), 4);
        StdoutCapture again;
        w.setupPlot();
        QVERIFY(waitForRun(w));
        QVERIFY(again.text().contains(": 3 4 400 25 4096 0.06 95 1"));

        // The form: OK with the defaults writes nothing; a changed value is stored.
        PreferencesDialog dialog(&w);
        dialog.accept();
        QVERIFY(analysisKeysStored().isEmpty());
        PreferencesDialog edit(&w);
        edit.windowIncrement->setValue(50);
        edit.accept();
        QCOMPARE(QSettings().value("windowIncrement").toInt(), 50);
        PreferencesDialog restore(&w);
        restore.restoreDefaults();
        restore.accept();
        QVERIFY(analysisKeysStored().isEmpty());
        // A combination the engine would refuse is not stored.
        PreferencesDialog bad(&w);
        bad.fftPoints->setValue(100); // below the window of 400
        bad.accept();
        QVERIFY(bad.problemLabel->text().contains(
            "transform length 100 is shorter than the window length 400"));
        QVERIFY(analysisKeysStored().isEmpty());
    }

    // The settings in the record's units edit their twins in samples, rounded to whole ones;
    // more tapers than 2 NW - 1 are warned about, not refused.
    void preferencesInTheRecordsUnits() {
        PreferencesDialog dialog(nullptr, 0.5, "depth");
        RecordUnitFields& u = *dialog.units;
        QCOMPARE(u.windowLength->value(), 200.0); // 400 samples at 0.5
        u.windowLength->setValue(100.2);
        QCOMPARE(dialog.pointsPerWindow->value(), 200);
        QCOMPARE(u.windowLength->value(), 100.0);
        u.fmaxPerUnit->setValue(0.2);
        QCOMPARE(dialog.fmax->value(), 0.1);
        QVERIFY(u.summary->text().contains("shortest period of 5"));
        QVERIFY(u.warning->text().isEmpty());
        dialog.numberOfTapers->setValue(6);
        QVERIFY(u.warning->text().contains("more than 2 NW - 1 = 5"));
        QVERIFY(dialog.problem().isEmpty());
        PreferencesDialog unknown(nullptr);
        QVERIFY(!unknown.units->windowLength->isEnabled());
    }

    void axisControlsOpenWithTheRangesAndApplyThemOnClose() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "a.txt", 1000);
        ViewController w;
        w.show();
        w.chooseFileAt(path);
        w.setupPlot();
        QVERIFY(waitForRun(w));
        const std::array<double, 6> before = sharedPlot->intervals();

        StdoutCapture out;
        w.openAxisControls();
        ViewControllerAxisControls* popover = w.axisControls();
        QVERIFY(popover);
        // The popover offers the grid's ranges (the first window centre), not the matrix's.
        QCOMPARE(popover->xminTextField->text().toDouble(), 200.0);
        QCOMPARE(popover->zmaxTextField->text().toDouble(), before[5]);
        const QwtScaleDiv axisBefore = sharedPlot->plot()->axisScaleDiv(QwtPlot::xBottom);
        popover->close(); // no edits: nothing changes
        QTRY_VERIFY(!w.axisControls());
        QVERIFY(out.text().contains("axisControlsSegue called"));
        QCOMPARE(sharedPlot->intervals(), before);
        QCOMPARE(sharedPlot->plot()->axisScaleDiv(QwtPlot::xBottom), axisBefore);

        // Change only z: colours and colour bar follow, x and y stay.
        w.openAxisControls();
        w.axisControls()->zminTextField->setText("0.1");
        w.axisControls()->zmaxTextField->setText("0.4");
        QTest::keyClick(w.axisControls(), Qt::Key_Return);
        QTRY_COMPARE(sharedPlot->intervals()[4], 0.1); // applied once the popover has closed
        const std::array<double, 6> after = sharedPlot->intervals();
        QCOMPARE(after[0], before[0]);
        QCOMPARE(after[3], before[3]);
        QCOMPARE(after[4], 0.1);
        QCOMPARE(after[5], 0.4);
        QCOMPARE(sharedPlot->plot()->axisWidget(QwtPlot::yRight)->colorBarInterval().maxValue(),
                 0.4);

        // Narrowing x zooms: every window stays where it belongs, and the axis shows the range.
        Plot* plot = sharedPlot->plot();
        const double x = 400, y = 0.02;
        const double valueBefore = plot->item()->data()->value(x, y);
        const double contourBefore = plot->item()->contourData()->value(x, y);
        w.openAxisControls();
        w.axisControls()->xminTextField->setText("300");
        w.axisControls()->xmaxTextField->setText("600");
        QTest::keyClick(w.axisControls(), Qt::Key_Return);
        QTRY_COMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 300.0);
        QCOMPARE(plot->item()->data()->value(x, y), valueBefore);
        QCOMPARE(plot->item()->contourData()->value(x, y), contourBefore);
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 600.0);
        QCOMPARE(*axisRanges().xmin, 300.0);

        // The next opening shows what was typed.
        w.openAxisControls();
        QCOMPARE(w.axisControls()->zmaxTextField->text(), QString("0.4"));
        // Text that is not a number keeps the stored range, and says so.
        w.axisControls()->xmaxTextField->setText("abc");
        QTest::keyClick(w.axisControls(), Qt::Key_Escape);
        QTRY_VERIFY(!w.axisControls());
        QCOMPARE(*axisRanges().xmax, 600.0);
        QVERIFY(w.statusMessage().contains("'abc' is not a number"));
    }

    // A message reads in full in the status bar's tooltip, and clears the cursor readout.
    void messagesReadInFullAndClearTheReadout() {
        ViewController w;
        w.resize(400, 300);
        w.readoutLabel->setText("x 1 | frequency 2");
        w.inputFileBox->setText("/nonexistent/" + QString(200, 'a') + ".txt");
        w.setupPlot();
        QVERIFY(w.statusMessage().startsWith("Cannot read"));
        QCOMPARE(w.statusBar()->toolTip(), w.statusMessage());
        QVERIFY(w.readoutLabel->text().isEmpty());
    }

    // The series shows as soon as its file is chosen, its plot area right above the map's; the
    // selected window is marked on both and stays selected through a new run.
    void theSeriesAndTheMapAsOneFigure() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "f.txt", 1000);
        ViewController w;
        w.resize(800, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showSeriesAction->setChecked(true);
        w.chooseFileAt(path);
        auto* series = reinterpret_cast<SeriesPlot*>(w.seriesPlot);
        QCOMPARE(int(series->curve()->dataSize()), 1000); // before any run
        w.setupPlot();
        QVERIFY(waitForRun(w));
        Plot* map = sharedPlot->plot();
        QTRY_COMPARE(series->canvas()->mapToGlobal(QPoint(0, 0)).x(),
                     map->canvas()->mapToGlobal(QPoint(0, 0)).x());
        QTRY_COMPARE(series->canvas()->width(), map->canvas()->width());
        QVERIFY(map->height() > w.height() / 2);

        w.windowDetail->selectWindowAt(500);
        const double centre = sharedPlot->lastResult()->centre(w.windowDetail->selectedWindow());
        QVERIFY(series->span()->isVisible());
        QCOMPARE(series->span()->interval().width(), 399.0); // 400 samples at spacing 1
        w.setupPlot();
        QVERIFY(waitForRun(w));
        QCOMPARE(sharedPlot->lastResult()->centre(w.windowDetail->selectedWindow()), centre);
    }

    // A second press on Plot right after the first (a double click) does not stop the run;
    // a press after the guard does.
    void aDoubleClickOnPlotDoesNotStopTheRun() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "long.txt", 40000);
        ViewController w;
        w.chooseFileAt(path);
        w.stopGuardMs = 3600 * 1000; // every press counts as the second click
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        w.plotOrStop();
        w.plotOrStop();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), true); // shown, not cancelled
        w.stopGuardMs = 0;
        w.plotOrStop();
        w.plotOrStop();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), false);
    }

    // A path typed into the box brings its own columns before the run: the pop-up, the title
    // and the results all name the file and column analysed; a file that cannot be read
    // leaves the map marked as the previous file's.
    void aTypedPathBringsItsOwnColumns() {
        QTemporaryDir dir;
        const QString first = writeSeries(dir, "first.txt", 1000);
        const QString second = dir.filePath("second.txt");
        QFile f(second);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("age\tms_raw\tgrey\n");
        for (int i = 0; i < 1000; ++i)
            f.write(QString("%1\t%2\t1\n").arg(i).arg(std::sin(i * 0.2)).toUtf8());
        f.close();
        ViewController w;
        w.chooseFileAt(first);
        w.dataColumnPopUp->setCurrentIndex(1); // carbonate
        w.setupPlot();
        QVERIFY(waitForRun(w));
        w.inputFileBox->setText(second);
        w.setupPlot();
        QCOMPARE(w.dataColumnPopUp->itemText(0), QString("ms_raw"));
        QCOMPARE(w.dataColumnPopUp->count(), 2);
        QVERIFY(waitForRun(w));
        const auto& p = sharedPlot->lastResult()->provenance;
        QCOMPARE(QString::fromStdString(p.input), second);
        QCOMPARE(p.columnName, std::string("ms_raw"));
        QVERIFY(w.windowTitle().endsWith("second.txt"));

        w.inputFileBox->setText(dir.filePath("missing.txt"));
        w.setupPlot();
        QVERIFY(w.statusMessage().endsWith("The map still shows second.txt."));
        QVERIFY(w.windowTitle().endsWith("second.txt"));
        // The box and the columns go back to the file that loaded last.
        QCOMPARE(w.inputFileBox->text(), second);
        QCOMPARE(w.dataColumnPopUp->itemText(0), QString("ms_raw"));
    }

    // What the map shows and how is redrawn from the kept grids; a new preparation runs again.
    void mapChoicesRedrawAndPreparationRecomputes() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "m.txt", 1000);
        ViewController w;
        w.chooseFileAt(path);
        w.setupPlot();
        QVERIFY(waitForRun(w));
        const auto result = sharedPlot->lastResult();
        const results::Grids& g = *sharedPlot->lastGrids();
        // A known cell: window 3, frequency bin 10, read at its centre.
        const std::size_t cell = 10 * g.nx + 3;
        const double x = g.xmin + 3 * (g.xmax - g.xmin) / (g.nx - 1);
        const double y = g.flow + 10 * (g.fhigh - g.flow) / (g.nfreq - 1);
        const double a = g.zgrid[cell];
        double windowMax = 0;
        for (std::size_t f = 0; f < g.nfreq; ++f)
            windowMax = std::max(windowMax, g.zgrid[f * g.nx + 3]);
        const std::pair<int, double> expected[] = {
            {1, a * a}, {2, 2 * std::log10(a)}, {3, a / windowMax}, {4, g.sgrid[cell]}, {0, a}};
        for (const auto& [index, value] : expected) {
            w.mapChoices->mapOfGroup->actions()[index]->trigger();
            QCOMPARE(installedMatrix()->value(x, y), value);
        }
        w.mapChoices->colourGroup->actions()[PLOT_MAP_VIRIDIS]->trigger();
        QVERIFY(dynamic_cast<const ViridisColorMap*>(sharedPlot->plot()->item()->colorMap()));
        w.mapChoices->maskAction->setChecked(true);
        QCOMPARE(sharedPlot->plot()->item()->maskLevel(), w.peakLevel->value());
        w.significanceCheckBox->setChecked(false); // the map shown follows at once
        QVERIFY(!sharedPlot->plot()->item()->testDisplayMode(QwtPlotTonalith2::ContourMode));
        w.significanceCheckBox->setChecked(true);
        QVERIFY(sharedPlot->lastResult() == result); // redrawn, not recomputed

        Preferences::store(Preferences::detrendKey, "linear");
        w.preferencesAccepted();
        QVERIFY(waitForRun(w));
        QVERIFY(sharedPlot->lastResult() != result);
        QCOMPARE(sharedPlot->lastResult()->provenance.preparation,
                 std::string("linear trend removed"));
        // Still viridis, still masked: the choices hold for the new map.
        QVERIFY(dynamic_cast<const ViridisColorMap*>(sharedPlot->plot()->item()->colorMap()));
        QCOMPARE(sharedPlot->plot()->item()->maskLevel(), w.peakLevel->value());
        Preferences::remove(Preferences::detrendKey);
    }

    // The whole record's spectrum follows each run while its panel is shown; false-discovery
    // control narrows the window's lines and says what the rule lets through.
    void wholeRecordPanelAndFalseDiscoveryControl() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "w.txt", 1000);
        ViewController w;
        w.show();
        w.showWholeRecordAction->setChecked(true);
        w.chooseFileAt(path);
        QSignalSpy computed(w.wholeRecord, &WholeRecordPanel::computed);
        w.setupPlot();
        QVERIFY(waitForRun(w));
        QTRY_VERIFY(computed.size() == 1);
        const auto& s = *w.wholeRecord->spectrum();
        QCOMPARE(int(s.frequency.size()), engine::mwc2Bins(2048, 0.06));
        // The two sines of the series (periods 41 and 23) are its lines.
        const auto lines = w.wholeRecord->lines();
        QCOMPARE(w.wholeRecord->lineTable->rowCount(), int(lines.size()));
        QVERIFY(std::any_of(lines.begin(), lines.end(),
                            [](const results::Peak& k) { return std::fabs(k.period - 41) < 1; }));
        QVERIFY(std::any_of(lines.begin(), lines.end(),
                            [](const results::Peak& k) { return std::fabs(k.period - 23) < 1; }));

        w.windowDetail->selectWindowAt(500);
        const int atLevel = w.peakTable->rowCount();
        QVERIFY(w.windowDetail->chanceLabel->text().contains("expected chance lines"));
        w.windowDetail->controlFalseDiscoveries->setChecked(true);
        QVERIFY(w.peakTable->rowCount() <= atLevel);
        QVERIFY(w.windowDetail->chanceLabel->text().contains("Benjamini-Hochberg"));
        QCOMPARE(sharedPlot->mapDisplay().fdr, 0.05);
    }

    void axisControlsBeforeAnyRunChangeNothing() {
        ViewController w;
        w.show();
        w.openAxisControls();
        QVERIFY(w.axisControls()->xminTextField->text().isEmpty());
        w.axisControls()->close();
        QTRY_VERIFY(!w.axisControls());
        QVERIFY(!axisRanges().complete());
        QCOMPARE(sharedPlot->intervals()[1], 1.0);
    }

    void refusedSettingsAreNamedAndNothingRuns() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "short.txt", 300);
        ViewController w;
        w.chooseFileAt(path);
        QSignalSpy started(sharedPlot, &MyPlot::runStarted);
        w.setupPlot(); // the default window of 400 exceeds the series
        QCOMPARE(started.size(), 0);
        QVERIFY(
            w.statusMessage().contains("window length 400 exceeds the 300 samples of the series"));
        QCOMPARE(w.plotButton->text(), QString("Plot"));
        QVERIFY(!w.progressIndicator->isVisible());

        Preferences::store("numberOfTapers", 11);
        const QString longer = writeSeries(dir, "long.txt", 1000);
        w.chooseFileAt(longer);
        w.setupPlot();
        QVERIFY(w.statusMessage().contains("number of tapers 11"));
        Preferences::remove("numberOfTapers");

        const QString nan =
            writeSeries(dir, "nan.txt", 1000, 1.0, [](int i) { return i == 17 ? NAN : 1.0 * i; });
        w.chooseFileAt(nan);
        w.setupPlot();
        QVERIFY(w.statusMessage().contains("line 19 holds the value nan"));
        QCOMPARE(started.size(), 0);
    }

    void aRunWithoutAPictureSaysWhy() {
        service::Execution e;
        e.simulatedEngineStatus = 2;
        QTemporaryDir dir;
        ViewController w;
        sharedPlot->setExecution(e);
        w.show();
        w.chooseFileAt(writeSeries(dir, "t.txt", 1000));
        w.setupPlot();
        QVERIFY(waitForRun(w));
        QVERIFY(w.statusMessage().contains("the Slepian tapers could not be computed"));
        QVERIFY(!w.progressIndicator->isVisible());
        QCOMPARE(w.plotButton->text(), QString("Plot"));
        QCOMPARE(sharedPlot->intervals()[1], 1.0); // the placeholder stays
    }

    // Uneven positions without interpolation: the window asks first. Cancel runs nothing; a
    // typed step resamples at it; a remembered choice is asked no more.
    void unevenSpacingIsAskedAboutBeforeTheRun() {
        QTemporaryDir dir;
        const QString path = dir.filePath("uneven.txt");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("x\ty\n");
        for (int i = 0; i < 1000; ++i)
            f.write(QString("%1\t%2\n")
                        .arg(i + (i >= 500 ? 0.25 : 0.0))
                        .arg(std::sin(i * 0.3))
                        .toUtf8());
        f.close();
        int asked = 0;
        UnevenSpacingChoice answer;
        const UnevenSpacingDialog::Chooser saved = UnevenSpacingDialog::chooser();
        UnevenSpacingDialog::chooser() = [&](QWidget*, const QString&, const QString& text,
                                             double median) {
            ++asked;
            [&] {
                QVERIFY(text.contains("deviates from it by 0.25"));
                QCOMPARE(median, 1.0);
            }();
            return answer;
        };
        ViewController w;
        w.chooseFileAt(path);
        w.setupPlot();
        QCOMPARE(asked, 1);
        QVERIFY(!sharedPlot->isRunning());
        QVERIFY(w.statusMessage().contains("not evenly spaced"));

        answer = {true, 0.5, true};
        w.setupPlot();
        QVERIFY(waitForRun(w));
        QCOMPARE(asked, 2);
        QCOMPARE(sharedPlot->lastResult()->provenance.deltat, 0.5);
        QVERIFY(w.statusMessage().contains("resampled linearly at the step 0.5"));
        w.setupPlot(); // remembered: no question
        QVERIFY(waitForRun(w));
        QCOMPARE(asked, 2);
        UnevenSpacingDialog::chooser() = saved;
        Preferences::remove(Preferences::interpolateToEvenSpacing.name);
        Preferences::remove(Preferences::interpolationStep.name);
    }

    void secondPlotDuringARunDoesNotEnterTheEngine() {
        QTemporaryDir dir;
        const QString path = writeSeries(dir, "big.txt", 20000);
        Preferences::store("pointsPerWindow", 2000);
        Preferences::store("windowIncrement", 10);
        Preferences::store("fftPoints", 8192);
        ViewController w;
        w.show();
        w.chooseFileAt(path);
        QSignalSpy started(sharedPlot, &MyPlot::runStarted);
        w.setupPlot();
        w.setupPlot(); // a second Plot while the run goes on does not start another
        QCOMPARE(started.size(), 1);

        // The window stays responsive while the engine works: the event loop turns and the
        // progress bar moves.
        int ticks = 0;
        QList<int> progress;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            ++ticks;
            progress << w.progressIndicator->value();
        });
        timer.start(10);
        QVERIFY(waitForRun(w));
        timer.stop();
        QVERIFY2(ticks > 20, qPrintable(QString("%1 ticks").arg(ticks)));
        QVERIFY(progress.last() > progress.first());
        QCOMPARE(installedMatrix()->numColumns(), 1801);
        Preferences::remove("pointsPerWindow");
        Preferences::remove("windowIncrement");
        Preferences::remove("fftPoints");
    }

    void exportTheMapToPdf() {
        QTemporaryDir dir;
        const QString file = dir.filePath("map.pdf");
        Plot::setSaveFileNameProvider(
            [&](QWidget*, const QString&, const QString&, const QString&) { return file; });
        ViewController w;
        w.show();
        w.printImage(); // the placeholder
        QVERIFY(QFile::exists(file));
        QVERIFY(w.statusMessage().contains("Exported the map to " + file));
        Plot::setSaveFileNameProvider(
            [&](QWidget*, const QString&, const QString&, const QString&) {
                return dir.filePath("missing/map.pdf");
            });
        w.printImage();
        QVERIFY(w.statusMessage().startsWith("Cannot write the PDF file"));
    }

    // Every export of the window is written whole or not at all, and a failure names the file.
    void wholeFileWriting() {
        QTemporaryDir dir;
        const QString kept = dir.filePath("kept.tsv");
        QVERIFY(writeWholeFile(kept, std::string("old\n")).isEmpty());
        const auto failsPartWay = [](io::AtomicFile& out) { return out.write("new") && false; };
        const struct {
            QString path;
            std::function<bool(io::AtomicFile&)> body;
            QString reasonStart; // empty: written
            QByteArray contents; // what the path holds afterwards
        } cases[] = {
            {dir.filePath("new.tsv"), [](io::AtomicFile& out) { return out.write("a\tb\n"); }, "",
             "a\tb\n"},
            {kept, failsPartWay, "Cannot write " + kept, "old\n"},
            {dir.filePath("missing/x.tsv"), failsPartWay,
             "Cannot write " + dir.filePath("missing/x.tsv"), ""},
        };
        for (const auto& c : cases) {
            const QString reason = writeWholeFile(c.path, c.body);
            QVERIFY2(c.reasonStart.isEmpty() ? reason.isEmpty() : reason.startsWith(c.reasonStart),
                     qPrintable(reason));
            QFile f(c.path);
            QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), c.contents);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void creditsAndCommandLine() {
        ViewController w;
        w.showCredits();
        auto* credits = w.findChild<ViewControllerCredits*>();
        QVERIFY(credits);
        QVERIFY(credits->textView->toPlainText().contains("Laskar"));
        QVERIFY(credits->textView->toPlainText().contains("Thomson"));
        QVERIFY(credits->findChild<QLabel*>("version")->text().endsWith(
            QCoreApplication::applicationVersion()));
        QTest::keyClick(credits, Qt::Key_Escape);
        QVERIFY(!credits->isVisible());
        w.showGuide();
        auto* guide = w.findChild<GuideDialog*>();
        QVERIFY(guide);
        for (const char* topic : {"Time-bandwidth product", "F-test", "41 kyr", "Ctrl+R", "fort.17",
                                  "Ctrl+T", "Ctrl+G", "Ctrl+9", "Ctrl+0", "Ctrl+Shift+T",
                                  "Trace Line", "Left, Right", "sedimentation rate is 1 / (P f)"})
            QVERIFY2(guide->text->toPlainText().contains(topic), topic);

        QTemporaryDir dir;
        const QString path = writeSeries(dir, "cmd.txt", 500);
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching({"tonalith", path});
        QCOMPARE(delegate.window()->inputFileBox->text(), path);
        QCOMPARE(delegate.window()->dataColumnPopUp->count(), 2);
        // The first-start hint names the file given, not the sample.
        const auto* hint = delegate.window()->boxView->findChild<QLabel*>("firstStartHint");
        QVERIFY(hint->text().contains("cmd.txt") && !hint->text().contains("sample"));
        delegate.window()->close();
    }
};

QTEST_MAIN(TestApp)
#include "test_app.moc"
