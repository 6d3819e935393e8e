// Working with the map in the real window (offscreen): exports of results and figures, the
// spectrum of a clicked window with its lines, the readout under the cursor, the period and
// logarithmic frequency axis, interpolation of uneven series, cancelling a run, the series
// above the map, drag and drop, recent files and remembered window state.
#include "Qplot/Plot.h"
#include "Qplot/SeriesPlot.h"
#include "Qplot/WindowPanel.h"
#include "app/files/ResultExports.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/LineTracing.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/window/MapExportDialog.h"
#include "app/window/PanelDocks.h"
#include "app/window/RecentFiles.h"
#include "app/window/ViewController.h"
#include "app/window/ViewControllerAxisControls.h"
#include "core/series/SeriesFile.h"

#include <qwt_plot_curve.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <cmath>

namespace {

QString writeSeries(const QTemporaryDir& dir, const QString& name, const std::vector<double>& x,
                    const std::function<double(double)>& f) {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("depth\tvalue\n");
    for (double v : x)
        file.write(QString("%1\t%2\n").arg(v, 0, 'g', 17).arg(f(v), 0, 'g', 17).toUtf8());
    return path;
}

std::vector<double> evenPositions(int n, double dt = 1.0) {
    std::vector<double> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = i * dt;
    return x;
}

double wave(double x) {
    return std::sin(2 * M_PI * x / 41.0) + 0.6 * std::sin(2 * M_PI * x / 19.0);
}

bool runAndWait(ViewController& w) {
    QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
    w.setupPlot();
    return finished.wait(60000) && finished.first().at(0).toBool();
}

// Canvas pixel of plot coordinates.
QPoint pixelOf(double x, double y) {
    Plot* plot = sharedPlot->plot();
    return QPoint(qRound(plot->canvasMap(QwtPlot::xBottom).transform(x)),
                  qRound(plot->canvasMap(QwtPlot::yLeft).transform(y)));
}

void sendMouse(QEvent::Type type, QPoint at) {
    QWidget* canvas = sharedPlot->plot()->canvas();
    QMouseEvent event(type, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas, &event);
}

QStringList dataLines(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QStringList lines;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            lines << line;
    return lines;
}

} // namespace

class TestWorkflow : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir data;
    QString series;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_DATA_HOME", config.path().toUtf8());
        series = writeSeries(data, "core.txt", evenPositions(1000, 2.0), wave);
    }

    void init() {
        // Questions before a run or on quit take their first choice: go ahead.
        Questions::asker() = [](QWidget*, const QString&, const QString&, const QStringList&) {
            return 0;
        };
        QSettings().clear();
        axisRanges() = AxisRanges{};
        Plot::setSaveFileNameProvider({});
    }

    void exportResultsInBothLayouts() {
        ViewController w;
        w.chooseFileAt(series);
        QVERIFY(runAndWait(w));
        const auto& r = *sharedPlot->lastResult();
        QTemporaryDir out;
        QString filter = "Result rows, comma-separated (*.csv)";
        QString offered;
        Platform::setSaveFileChooser(
            [&](QWidget*, const QString&, const QString&, const QString& filters, QString* chosen) {
                offered = filters;
                *chosen = filter;
                return out.filePath("rows");
            });
        w.exports->exportResults();
        QVERIFY(offered.contains(filter));
        const QStringList rows = dataLines(out.filePath("rows.csv"));
        QCOMPARE(rows.first(), QString("x_centre,frequency,amplitude,probability"));
        QCOMPARE(rows.size(), 1 + 25 * 246);
        for (int i : {0, 300, 6149}) {
            const QStringList f = rows[1 + i].split(',');
            QCOMPARE(f[0].toDouble(), r.xcent[i]);
            QCOMPARE(f[2].toDouble(), r.ampl[i]);
            QCOMPARE(f[3].toDouble(), r.prob[i]);
        }
        QVERIFY(w.statusMessage().contains("Exported the results to"));

        filter = "Grids for R, tab-separated (*.tsv)";
        w.exports->exportResults();
        const QStringList amplitude = dataLines(out.filePath("rows-amplitude.tsv"));
        const QStringList probability = dataLines(out.filePath("rows-probability.tsv"));
        QCOMPARE(amplitude.size(), 1 + 246);
        QCOMPARE(amplitude[0].split('\t').size(), 1 + 25);
        QCOMPARE(amplitude[0].split('\t')[3].toDouble(), r.centre(2));
        QCOMPARE(amplitude[1 + 40].split('\t')[1 + 7].toDouble(), r.ampl[r.row(7, 40)]);
        QCOMPARE(probability[1 + 40].split('\t')[1 + 7].toDouble(), r.prob[r.row(7, 40)]);
        QCOMPARE(amplitude[1 + 40].split('\t')[0].toDouble(), r.frequency(40));
        // The header block says where the numbers came from.
        QFile f(out.filePath("rows-amplitude.tsv"));
        f.open(QIODevice::ReadOnly);
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains("# input: " + series));
        QVERIFY(text.contains("# column: 1 (value)"));
        QVERIFY(text.contains("# sample spacing: 2 (position units)"));
    }

    // The map at the size asked, with a title line on request; PDF and SVG name the run in
    // their metadata; the dialog proposes a name made from the data file's, in its folder.
    void exportMapInEveryFormat() {
        ViewController w;
        w.show();
        w.chooseFileAt(series);
        QVERIFY(runAndWait(w));
        QTemporaryDir out;
        QString filter, proposed;
        Platform::setSaveFileChooser(
            [&](QWidget*, const QString&, const QString& name, const QString&, QString* chosen) {
                proposed = name;
                *chosen = filter;
                return out.filePath("map");
            });
        MapExportOptions options{800, 500, "a title line"};
        QString askedTitle;
        const MapExportDialog::Chooser saved = MapExportDialog::chooser();
        MapExportDialog::chooser() = [&](QWidget*, const QString&, const QString& title) {
            askedTitle = title;
            return std::optional(options);
        };
        filter = "PNG image (*.png)";
        w.exports->exportMap();
        QCOMPARE(proposed, QFileInfo(series).absolutePath() + "/" +
                               QFileInfo(series).completeBaseName() + "-map.pdf");
        QVERIFY(askedTitle.startsWith(QFileInfo(series).fileName() + ", column 1 (value)"));
        QCOMPARE(QImage(out.filePath("map.png")).size(), QSize(800, 500));
        w.exports->exportMap(); // the folder used last is proposed next
        QCOMPARE(proposed, out.filePath(QFileInfo(series).completeBaseName() + "-map.pdf"));
        filter = "SVG drawing (*.svg)";
        options = {200, 150, ""};
        w.exports->exportMap();
        QFile svg(out.filePath("map.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(
            svg.readAll().contains("<title>Tonalith: " + QFileInfo(series).fileName().toUtf8()));
        filter = "PDF document, A4 landscape (*.pdf)";
        options = {297, 210, ""};
        w.exports->exportMap();
        QFile pdf(out.filePath("map.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.readAll().contains("/MediaBox [0 0 842"));
        QVERIFY(w.statusMessage().contains("Exported the map to"));
        MapExportDialog::chooser() = saved;
    }

    // Tracing by a click on the map, dragging a point, the age model beside the map, the trace
    // file read by the tool, and the tuned series analysed in the record's place.
    void traceTheMapAndTuneTheRecord() {
        ViewController w;
        w.show();
        w.setupPlot(); // the sample, in kyr: obliquity near 1/41 in every window
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        QVERIFY(finished.wait(60000));
        const auto& r = *sharedPlot->lastResult();
        w.tracing->arm();
        const QPoint at = pixelOf(r.centre(10), 1 / 41.0);
        sendMouse(QEvent::MouseButtonPress, at);
        sendMouse(QEvent::MouseButtonRelease, at);
        const auto trace = w.tracing->points();
        QCOMPARE(int(trace.size()), r.windows);
        for (const tuning::TracePoint& p : trace)
            QVERIFY2(std::fabs(p.frequency - 1 / 41.0) < 0.001,
                     qPrintable(QString::number(p.centre)));
        QVERIFY(w.ageModelAction->isChecked());
        QCOMPARE(w.windowDetail->selectedWindow(), -1); // the click traced, it did not select

        // Dragged towards 1/23 in window 20, the point snaps to a peak of that window.
        const QPoint from = pixelOf(trace[20].centre, trace[20].frequency);
        sendMouse(QEvent::MouseButtonPress, from);
        sendMouse(QEvent::MouseMove, pixelOf(trace[20].centre, 1 / 23.5));
        sendMouse(QEvent::MouseButtonRelease, pixelOf(trace[20].centre, 1 / 23.5));
        const tuning::TracePoint moved = w.tracing->points()[20];
        QVERIFY(std::fabs(moved.frequency - 1 / 23.0) < 0.002);
        const auto row = [&](int bin) { return r.ampl[r.row(20, bin)]; };
        QVERIFY(row(moved.bin) >= row(moved.bin - 1) && row(moved.bin) >= row(moved.bin + 1));
        QVERIFY(w.tracing->retrace->isEnabled());
        w.tracing->retraceFromMoved(); // followed on from the moved point, within the band
        QCOMPARE(w.tracing->points()[20].bin, moved.bin);
        const double band = w.tracing->band->value();
        QVERIFY(std::fabs(w.tracing->points()[21].frequency - moved.frequency) <= band);
        QVERIFY(std::fabs(w.tracing->points()[19].frequency - moved.frequency) <= band);
        w.tracing->setResult(sharedPlot->lastResult()); // back to the obliquity trace
        w.tracing->arm();
        sendMouse(QEvent::MouseButtonPress, at);
        sendMouse(QEvent::MouseButtonRelease, at);

        // A record in kyr traced at 41 kyr: ages close to the positions, rate close to 1.
        w.ageModel->period->setCurrentText("41");
        const auto& model = w.ageModel->model();
        QVERIFY(model);
        const double span = r.positions.back() - r.positions.front();
        QVERIFY(std::fabs(model->age.back() - span) < 0.02 * span);

        // The trace saved by the window tunes the record in the tool.
        QTemporaryDir out;
        Platform::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&,
                                         QString*) { return out.filePath("trace.tsv"); });
        w.saveTrace();
        // Started on the line's peak, the trace follows it without a flagged row, so the tool
        // tunes with it as it is.
        QProcess tool;
        tool.start(TONALITH_CLI, {"tune", sharedPlot->lastResult()->provenance.input.c_str(),
                                  "--trace", out.filePath("trace.tsv"), "--period", "41", "--quiet",
                                  "-o", out.filePath("tuned.tsv")});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);

        // The tuned series in the record's place: its map is made and the title names it.
        QSignalSpy again(sharedPlot, &MyPlot::runFinished);
        w.ageModel->analyseTuned();
        QVERIFY(again.wait(60000));
        QVERIFY(w.windowTitle().contains("-tuned-41"));
        QVERIFY(sharedPlot->lastResult()->provenance.input.find("-tuned-41") != std::string::npos);
    }

    void clickingTheMapShowsThatWindowsSpectrumAndLines() {
        ViewController w;
        w.show();
        w.setupPlot(); // the sample
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        QVERIFY(finished.wait(60000));
        const auto& r = *sharedPlot->lastResult();
        QVERIFY(!w.spectrumArea->isVisible());
        const QPoint at = pixelOf(r.centre(30), 0.03);
        sendMouse(QEvent::MouseButtonPress, at);
        sendMouse(QEvent::MouseButtonRelease, at);
        QCOMPARE(w.windowDetail->selectedWindow(), 30);
        QVERIFY(w.spectrumArea->isVisible());
        auto* panel = reinterpret_cast<WindowPanel*>(w.spectrumPanel);
        QVERIFY(panel->title().startsWith("Window 31 of 65"));
        QCOMPARE(panel->levelCount(), 4);
        // The lines at 0.95: obliquity near 1/41 and precession near 1/19 per kyr among them.
        bool obliquity = false, precession = false;
        for (int i = 0; i < w.peakTable->rowCount(); ++i) {
            const double f = w.peakTable->item(i, 0)->text().toDouble();
            QVERIFY(std::fabs(w.peakTable->item(i, 1)->text().toDouble() * f - 1) <
                    1e-5); // period = 1/f
            QVERIFY(w.peakTable->item(i, 3)->text().toDouble() >= 0.95);
            obliquity = obliquity || (f >= 1 / 43.0 && f <= 1 / 39.0);
            precession = precession || (f >= 1 / 20.0 && f <= 1 / 18.0);
        }
        QVERIFY(obliquity && precession);
        // A stricter level lists no more lines; copying gives them as tab-separated text.
        const int lines = w.peakTable->rowCount();
        w.peakLevel->setValue(0.999);
        QVERIFY(w.peakTable->rowCount() <= lines);
        w.windowDetail->copyPeakList();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY(copied.startsWith("x_centre\tfrequency\tperiod\tamplitude\tprobability\n"));
        QCOMPARE(copied.count('\n'), 1 + w.peakTable->rowCount());
        // Another click follows.
        const QPoint other = pixelOf(r.centre(3), 0.01);
        sendMouse(QEvent::MouseButtonPress, other);
        sendMouse(QEvent::MouseButtonRelease, other);
        QCOMPARE(w.windowDetail->selectedWindow(), 3);
    }

    void readoutShowsTheGridValuesUnderTheCursor() {
        ViewController w;
        w.show();
        w.chooseFileAt(series);
        QVERIFY(runAndWait(w));
        const auto& r = *sharedPlot->lastResult();
        for (const auto& [window, bin] : {std::pair{3, 10}, std::pair{20, 200}, std::pair{0, 0}}) {
            sendMouse(QEvent::MouseMove, pixelOf(r.centre(window), r.frequency(bin)));
            const QString text = w.readoutLabel->text();
            const QString cell = QLocale::c().toString(r.ampl[r.row(window, bin)], 'g', 6);
            QVERIFY2(text.contains("amplitude " + cell), qPrintable(text + " / " + cell));
            QVERIFY(text.contains("probability " +
                                  QLocale::c().toString(r.prob[r.row(window, bin)], 'g', 6)));
            QVERIFY(text.contains("frequency " + QLocale::c().toString(r.frequency(bin), 'g', 6)));
            if (bin > 0)
                QVERIFY(
                    text.contains("period " + QLocale::c().toString(1 / r.frequency(bin), 'g', 6)));
        }
        sendMouse(QEvent::MouseMove, pixelOf(r.centre(24) + 500, 0.01)); // beyond the last window
        QVERIFY(w.readoutLabel->text().isEmpty());
    }

    void periodLabelsAndLogarithmicAxisAreRemembered() {
        {
            ViewController w;
            w.show();
            w.chooseFileAt(series);
            QVERIFY(runAndWait(w));
            w.periodAxisAction->setChecked(true);
            Plot* plot = sharedPlot->plot();
            QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QString("Period (depth)"));
            const QwtScaleDiv div = plot->axisScaleDiv(QwtPlot::yLeft);
            const QList<double> ticks = div.ticks(QwtScaleDiv::MajorTick);
            QVERIFY(ticks.size() >= 3);
            for (double f : ticks) {
                const QString label = plot->axisScaleDraw(QwtPlot::yLeft)->label(f).text();
                if (f > 0)
                    QCOMPARE(label, QLocale().toString(1 / f, 'g', 4));
                else
                    QCOMPARE(label, QString::fromUtf8("\u221e"));
            }
            w.logAxisAction->setChecked(true);
            QVERIFY(dynamic_cast<QwtLogScaleEngine*>(plot->axisScaleEngine(QwtPlot::yLeft)));
            // It starts at the half-bandwidth W = NW / (window length), the lowest frequency the
            // windows resolve.
            const auto& p = sharedPlot->lastResult()->provenance;
            QCOMPARE(plot->axisScaleDiv(QwtPlot::yLeft).lowerBound(),
                     p.params.tbw / (p.params.window * p.deltat));
            w.close();
        }
        ViewController again;
        QVERIFY(again.periodAxisAction->isChecked());
        QVERIFY(again.logAxisAction->isChecked());
        QVERIFY(sharedPlot->plot()->periodLabels());
    }

    void unevenSeriesIsInterpolatedWhenAsked() {
        // Positions 0..599 with one sample moved: 300 becomes 300.5; values y = x^2.
        std::vector<double> x = evenPositions(600);
        x[300] = 300.5;
        const QString path = writeSeries(data, "uneven.txt", x, [](double v) { return v * v; });
        Preferences::store("interpolateToEvenSpacing", true);
        ViewController w;
        w.chooseFileAt(path);
        QVERIFY(runAndWait(w));
        Preferences::remove("interpolateToEvenSpacing");
        const auto& r = *sharedPlot->lastResult();
        QCOMPARE(r.positions.size(), std::size_t(600));
        QCOMPARE(r.positions[300], 300.0);
        // Between (299, 299^2) and (300.5, 300.5^2): 89401 + (1/1.5) (90300.25 - 89401)
        QCOMPARE(r.values[300], 89401 + (1 / 1.5) * (90300.25 - 89401));
        QCOMPARE(r.values[301], 301.0 * 301.0); // an original sample
        QVERIFY(w.statusMessage().contains(
            "the positions are not evenly spaced (largest deviation 0.5)"));
        QVERIFY(w.statusMessage().contains("resampled linearly at the median spacing 1"));
        QVERIFY(r.provenance.interpolation.find("linear, to even spacing 1 (the median spacing)") !=
                std::string::npos);
    }

    void stopEndsTheRunAndKeepsThePreviousMap() {
        ViewController w;
        w.show();
        w.chooseFileAt(series);
        QVERIFY(runAndWait(w));
        const std::array<double, 6> before = sharedPlot->intervals();

        const QString big = writeSeries(data, "big.txt", evenPositions(30000), wave);
        Preferences::store("pointsPerWindow", 2000);
        Preferences::store("windowIncrement", 10);
        Preferences::store("fftPoints", 8192);
        w.chooseFileAt(big);
        w.stopGuardMs = 0; // Stop at once, however soon after the start
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        w.setupPlot();
        QCOMPARE(w.plotButton->text(), QString("Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(w.progressIndicator->value() > 10, 20000);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(5);
        w.plotButton->click(); // Stop
        QVERIFY(finished.wait(20000));
        timer.stop();
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY(w.statusMessage().contains("cancelled"));
        QCOMPARE(w.plotButton->text(), QString("Plot"));
        QCOMPARE(sharedPlot->intervals(), before); // the previous map stays
        QVERIFY(!w.progressIndicator->isVisible());

        // The next run succeeds.
        Preferences::remove("pointsPerWindow");
        Preferences::remove("windowIncrement");
        Preferences::remove("fftPoints");
        QVERIFY(runAndWait(w));
        QVERIFY(w.statusMessage().startsWith("Spectrum calculation complete"));
    }

    void seriesAboveTheMapFollowsTheRanges() {
        ViewController w;
        w.show();
        w.showSeriesAction->setChecked(true);
        QVERIFY(w.seriesArea->isVisible());
        w.chooseFileAt(series);
        QVERIFY(runAndWait(w));
        auto* plot = reinterpret_cast<SeriesPlot*>(w.seriesPlot);
        QCOMPARE(plot->curve()->dataSize(), std::size_t(1000));
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), *axisRanges().xmin);
        w.applyAxisRanges(500, 1200, *axisRanges().ymin, *axisRanges().ymax, *axisRanges().zmin,
                          *axisRanges().zmax);
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 500.0);
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 1200.0);
    }

    void droppingAFileChoosesIt() {
        ViewController w;
        w.show();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(series)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QCOMPARE(w.inputFileBox->text(), series);
        QCOMPARE(w.dataColumnPopUp->itemText(0), QString("value"));
    }

    void recentFilesKeepTheLastTenInOrder() {
        QStringList paths;
        for (int i = 0; i < 12; ++i)
            paths << writeSeries(data, QString("r%1.txt").arg(i), evenPositions(10), wave);
        {
            ViewController w;
            for (const QString& p : paths)
                w.chooseFileAt(p);
            w.chooseFileAt(paths[5]); // chosen again: to the top
            QStringList expected = {paths[5], paths[11], paths[10], paths[9], paths[8],
                                    paths[7], paths[6],  paths[4],  paths[3], paths[2]};
            QCOMPARE(w.recent->files(), expected);
            QCOMPARE(w.recentMenu->actions().first()->data().toString(), paths[5]);
        }
        ViewController later; // remembered between sessions
        QCOMPARE(later.recent->files().first(), paths[5]);
        QCOMPARE(later.recent->files().size(), 10);
        later.recentMenu->actions()[1]->trigger();
        QCOMPARE(later.inputFileBox->text(), paths[11]);
    }

    // The size, the panels shown and where the user put them.
    void windowSizeAndPanelsAreRemembered() {
        {
            ViewController w;
            w.show();
            w.showSpectrumAction->setChecked(true);
            w.showWholeRecordAction->setChecked(true);
            w.resize(1000, 700);
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QTRY_COMPARE(w.size(), QSize(1000, 700));
            w.addDockWidget(Qt::LeftDockWidgetArea, PanelDocks::dockOf(w.wholeRecord));
            w.close();
        }
        ViewController again;
        again.show();
        QTRY_COMPARE(again.size(), QSize(1000, 700));
        QVERIFY(again.showSpectrumAction->isChecked());
        QVERIFY(again.showWholeRecordAction->isChecked());
        QVERIFY(!again.ageModelAction->isChecked());
        QCOMPARE(again.dockWidgetArea(PanelDocks::dockOf(again.wholeRecord)),
                 Qt::LeftDockWidgetArea);
        QCOMPARE(again.dockWidgetArea(PanelDocks::dockOf(again.windowDetail)),
                 Qt::RightDockWidgetArea);
    }

    void theWindowAndTheToolRefuseTheSameRuns() {
        const QString nan = writeSeries(data, "nan.txt", evenPositions(1000),
                                        [](double x) { return x == 17 ? NAN : wave(x); });
        const QString shortSeries = writeSeries(data, "short.txt", evenPositions(300), wave);
        const QString uneven = writeSeries(data, "uneven.txt", {0, 1, 3, 4, 5, 6}, wave);
        const QString huge = writeSeries(data, "huge.txt", evenPositions(1000),
                                         [](double x) { return 1e307 * wave(x); });
        QString csv = data.filePath("spreadsheet.csv");
        {
            QFile file(csv);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("depth;value\n");
            for (int i = 0; i < 1000; ++i)
                file.write(QString("%1;%2\n").arg(i).arg(wave(i), 0, 'g', 17).toUtf8());
        }
        struct Case {
            const char* what;
            QString file;
            QStringList settings; // preference, the tool's option (or none) and the value
            bool accepted;
        };
        const QList<Case> cases = {
            {"defaults", series, {}, true},
            {"window longer than the series", shortSeries, {}, false},
            {"one window", series, {"windowIncrement", "--step", "2000"}, false},
            {"highest frequency 0", series, {"fmax", "--fmax", "0"}, false},
            {"one frequency row", series, {"fmax", "--fmax", "0.0001"}, false},
            {"a value that is not a number", nan, {}, false},
            {"an uneven series resampled", uneven, {"interpolateToEvenSpacing", "", "true"}, false},
            {"values too large to analyse", huge, {}, false},
            {"a semicolon-separated file", csv, {}, true},
        };
        const QString figure = data.filePath("map.png");
        for (const Case& c : cases) {
            QSettings().clear();
            QStringList options = {"analyze",   c.file,  "--quiet", "-o",
                                   "/dev/null", "--map", figure};
            for (int i = 0; i + 2 < c.settings.size(); i += 3) {
                Preferences::store(c.settings[i].toUtf8().constData(), c.settings[i + 2]);
                if (!c.settings[i + 1].isEmpty())
                    options << c.settings[i + 1] << c.settings[i + 2];
            }
            if (c.settings.contains("interpolateToEvenSpacing"))
                options << "--interpolate";
            QProcess tool;
            tool.start(TONALITH_CLI, options);
            QVERIFY(tool.waitForFinished(60000));

            ViewController w;
            w.chooseFileAt(c.file);
            QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
            w.setupPlot();
            const bool ran = sharedPlot->isRunning() && finished.wait(60000);
            QVERIFY2(ran == c.accepted, c.what);
            QVERIFY2((tool.exitCode() == 0) == c.accepted, c.what);
            if (!c.accepted)
                QVERIFY2(w.statusMessage().startsWith("Not plotted"), c.what);
        }
    }

    void keyboardOpensAndClosesTheRanges() {
        ViewController w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(w.axisControls() != nullptr);
        QTest::keyClick(w.axisControls(), Qt::Key_Escape);
        QTRY_VERIFY(w.axisControls() == nullptr);
        // A dock's or a bar's own toggle is mirrored by a View item with the shortcut.
        const auto ownToggle = [](const QAction* a) {
            return qobject_cast<QDockWidget*>(a->parent()) || qobject_cast<QToolBar*>(a->parent());
        };
        for (QAction* action : w.findChildren<QAction*>())
            if (!action->menu() && !action->isSeparator() && !action->text().isEmpty() &&
                !action->data().isValid() && action->text() != "Clear Menu" && !ownToggle(action))
                QVERIFY2(!action->shortcut().isEmpty(), qPrintable(action->text()));
    }
};

QTEST_MAIN(TestWorkflow)
#include "test_workflow.moc"
