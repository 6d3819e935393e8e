// The window's checks that keep a user from being misled: each window's own mean removed when
// asked and recorded, a trace that leaves its line flagged, drawn, listed and asked about before
// it makes an age model, the reversed position axis on the picture itself, and the same bad
// value refused by the window and the tool, naming the same argument.
#include "Qplot/Plot.h"
#include "Qplot/SeriesPlot.h"
#include "Qplot/TraceOverlay.h"
#include "app/files/ResultExports.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/AstroTestPanel.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TraceFlags.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/run/UnevenSpacingDialog.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/settings/PreferencesDialog.h"
#include "app/window/MapChoices.h"
#include "app/window/ViewController.h"
#include "core/analysis/ParameterCatalogue.h"

#include <qwt_scale_div.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>

namespace {

QString writeSeries(const QTemporaryDir& dir, const QString& name, int n,
                    const std::function<double(double)>& f, const char* positionTitle = "depth") {
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(positionTitle) + "\tvalue\n");
    for (int i = 0; i < n; ++i)
        file.write(QString("%1\t%2\n").arg(i).arg(f(i), 0, 'g', 17).toUtf8());
    return path;
}

bool runAndWait(ViewController& w, const QString& file) {
    w.chooseFileAt(file);
    QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
    w.setupPlot();
    return sharedPlot->isRunning() && finished.wait(60000) && finished.first().at(0).toBool();
}

// How often a file is opened, as the kernel reports it (inotify): whoever opens it.
class OpenCounter {
public:
    explicit OpenCounter(const QString& path)
        : fd_(inotify_init1(IN_NONBLOCK)),
          watch_(inotify_add_watch(fd_, path.toLocal8Bit().constData(), IN_OPEN)) {}
    ~OpenCounter() { ::close(fd_); }
    bool watching() const { return fd_ >= 0 && watch_ >= 0; }
    // The opens since the last call.
    int take() {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd_, buffer, sizeof buffer)) > 0)
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                opens += (e->mask & IN_OPEN) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        return opens;
    }

private:
    int fd_, watch_;
};

// Mean absolute difference of two pictures of the same size, over their colour channels.
double difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (a.width() * a.height());
}

} // namespace

class TestChecks : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir data;
    QString fading;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_DATA_HOME", config.path().toUtf8());
        // A line at 0.05 that fades out halfway while a stronger one at 0.062 goes on.
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0, 0.05);
        fading = writeSeries(data, "fading.txt", 3000, [&](double x) {
            return (x < 1500 ? 1.0 : 0.0) * std::cos(2 * M_PI * 0.05 * x) +
                   2 * std::cos(2 * M_PI * 0.062 * x) + noise(rng);
        });
    }

    void init() {
        Questions::asker() = [](QWidget*, const QString&, const QString&, const QStringList&) {
            return 0;
        };
        QSettings().clear();
    }

    void eachWindowsMeanIsRemovedRecordedAndKept() {
        PreferencesDialog dialog(nullptr);
        QCOMPARE(dialog.windowDetrend->currentIndex(), 0); // none by default
        dialog.windowDetrend->setCurrentIndex(1);
        dialog.accept();
        QCOMPARE(QSettings().value("windowDetrend").toString(), QString("mean"));

        ViewController w;
        QVERIFY(runAndWait(w, fading));
        const auto& r = *sharedPlot->lastResult();
        QCOMPARE(r.provenance.params.windowDetrend, analysis::WindowDetrend::Mean);
        QTemporaryDir out;
        Platform::setSaveFileChooser(
            [&](QWidget*, const QString&, const QString&, const QString&, QString* chosen) {
                *chosen = "Result rows, tab-separated (*.tsv)";
                return out.filePath("rows.tsv");
            });
        w.exports->exportResults();
        QFile rows(out.filePath("rows.tsv"));
        QVERIFY(rows.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(rows.readAll()).contains("# window detrend: mean"));
        QCOMPARE(w.currentSession().parameters.value("windowDetrend").toString(), QString("mean"));
    }

    void aTraceLeavingItsLineIsFlaggedDrawnListedAndAskedAbout() {
        Preferences::store("windowIncrement", 50);
        Preferences::store("fmax", 0.1);
        QStringList asked;
        int answer = 1; // don't build
        Questions::asker() = [&](QWidget*, const QString&, const QString& text,
                                 const QStringList&) {
            asked << text;
            return answer;
        };
        ViewController w;
        QVERIFY(runAndWait(w, fading));
        w.ageModel->period->setCurrentText("20");
        w.tracing->arm();
        w.mapClicked(300, 0.0497);
        const auto& trace = w.tracing->points();
        // Started on the peak nearest the click, which the message names.
        const auto start =
            std::find_if(trace.begin(), trace.end(), [](const auto& p) { return p.centre >= 300; });
        QVERIFY(std::fabs(start->frequency - 0.05) < 1e-3);
        QVERIFY2(w.statusMessage().contains("started at frequency 0.05"),
                 qPrintable(w.statusMessage()));
        QVERIFY(std::fabs(trace.back().frequency - 0.062) < 1e-3); // it ended on the other line
        const int flagged = flaggedCount(trace);
        QVERIFY(flagged > 0);
        for (const auto& p : trace)
            if (p.centre < 1300)
                QVERIFY(!isFlagged(p));
        // Crossed on the map and listed on the bar, every one in the tool tip.
        QCOMPARE(sharedPlot->plot()->traceOverlay()->flaggedCount(), flagged);
        QVERIFY(
            w.tracing->status->text().contains(QString("%1 flagged jump or edge").arg(flagged)));
        const auto first = std::find_if(trace.begin(), trace.end(), isFlagged);
        const QString firstAt = QString::number(first->centre);
        QVERIFY(w.tracing->status->text().contains(firstAt));
        const QString all = w.tracing->status->toolTip();
        QCOMPARE(all.count("(jump)") + all.count("(edge)"), flagged);
        // Asked once, naming the first flagged window; declined, no model, even for another
        // period.
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().contains(firstAt));
        QVERIFY(!w.ageModel->model());
        w.ageModel->period->setCurrentText("21");
        QCOMPARE(asked.size(), 1);
        QVERIFY(!w.ageModel->model());
        // A point dragged back to the faded line is the user's: no longer a jump or an edge.
        const int index = static_cast<int>(first - trace.begin());
        w.tracing->pointDragged(index, 0.05);
        QVERIFY(!isFlagged(w.tracing->points()[static_cast<std::size_t>(index)]));
        QCOMPARE(sharedPlot->plot()->traceOverlay()->flaggedCount(), flagged - 1);
        // Another trace is asked about afresh; accepted, it makes the model.
        QCOMPARE(asked.size(), 2);
        QVERIFY(!w.ageModel->model());
        answer = 0;
        const auto& moved = w.tracing->points();
        w.tracing->pointDragged(
            static_cast<int>(std::find_if(moved.begin(), moved.end(), isFlagged) - moved.begin()),
            0.05);
        QCOMPARE(asked.size(), 3);
        QVERIFY(w.ageModel->model());
        // The answer holds for these flags: not asked again after another drag, an undo, or the
        // session opened again.
        const auto& now = w.tracing->points();
        w.tracing->pointDragged(
            static_cast<int>(std::find_if(now.begin(), now.end(), isFlagged) - now.begin()), 0.05);
        w.tracing->edits->undo();
        QVERIFY(w.ageModel->model());
        QVERIFY(w.saveSessionTo(data.filePath("flagged.json")));
        QSignalSpy again(sharedPlot, &MyPlot::runFinished);
        QVERIFY(w.openSessionAt(data.filePath("flagged.json")));
        QVERIFY(again.wait(60000));
        QVERIFY(w.ageModel->model());
        QCOMPARE(asked.size(), 3);
    }

    // At 1000 x 700, points a few pixels apart: a short drag moves a trace point to the next
    // peak of its window that way, and a second drag moves it again (it does not select a
    // window).
    void aShortDragOnASmallMapMovesThePoint() {
        Preferences::store("windowIncrement", 50);
        Preferences::store("fmax", 0.1);
        ViewController w;
        w.resize(1000, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(runAndWait(w, fading));
        w.tracing->arm();
        w.mapClicked(300, 0.062);
        Plot* plot = sharedPlot->plot();
        const auto pixel = [plot](double x, double f) {
            return QPoint(qRound(plot->canvasMap(QwtPlot::xBottom).transform(x)),
                          qRound(plot->canvasMap(QwtPlot::yLeft).transform(f)));
        };
        const auto drag = [plot](QPoint from, QPoint to) {
            for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, from},
                                           {QEvent::MouseMove, to},
                                           {QEvent::MouseButtonRelease, to}}) {
                QMouseEvent e(type, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
                QApplication::sendEvent(plot->canvas(), &e);
            }
        };
        const int i = 20;
        for (int time = 0; time < 2; ++time) {
            const tuning::TracePoint before = w.tracing->points()[i];
            const QPoint at = pixel(before.centre, before.frequency);
            drag(at, at - QPoint(0, 4)); // 4 pixels up: less than a bin to the next peak
            const tuning::TracePoint after = w.tracing->points()[i];
            QVERIFY2(after.frequency > before.frequency, qPrintable(QString("drag %1: %2 -> %3")
                                                                        .arg(time + 1)
                                                                        .arg(before.frequency)
                                                                        .arg(after.frequency)));
            QCOMPARE(w.windowDetail->selectedWindow(), -1);
        }
    }

    // On a record in time a cycle keeps its period: a trace gliding from 1/41 to 1/70 in small
    // steps is flagged drift where it lies farther than W from 1/41, crossed and named on the
    // bar; the same record measured in metres has no period to keep.
    void aTraceDriftingOffItsPeriodIsFlaggedOnARecordInTime() {
        Preferences::store("windowIncrement", 5);
        Preferences::store("fmax", 0.1);
        std::mt19937 rng(5);
        std::normal_distribution<double> noise(0, 0.1);
        double cycles = 0;
        const QString ages = writeSeries(
            data, "ages.txt", 2000,
            [&](double t) {
                cycles += 1 / 41.0 + (1 / 70.0 - 1 / 41.0) * std::clamp((t - 800) / 600, 0.0, 1.0);
                return std::cos(2 * M_PI * cycles) + noise(rng);
            },
            "age_ka");
        ViewController w;
        QVERIFY(runAndWait(w, ages));
        w.ageModel->period->setCurrentText("41");
        w.tracing->arm();
        w.mapClicked(200, 0.0244);
        const double W = tuning::halfBandwidth(*sharedPlot->lastResult());
        const auto drifted = [&] {
            return std::count_if(w.tracing->points().begin(), w.tracing->points().end(),
                                 [](const auto& p) { return p.flag == tuning::TraceFlag::Drift; });
        };
        for (const tuning::TracePoint& p : w.tracing->points())
            QCOMPARE(p.flag == tuning::TraceFlag::Drift, std::fabs(p.frequency - 1 / 41.0) > W);
        QVERIFY(drifted() > 10);
        QCOMPARE(sharedPlot->plot()->traceOverlay()->flaggedCount(),
                 flaggedCount(w.tracing->points()));
        QVERIFY2(w.tracing->status->text().contains("flagged jump, edge or drift"),
                 qPrintable(w.tracing->status->text()));
        w.setRecordUnits({"m", "kyr"}, false);
        QCOMPARE(drifted(), 0L);
    }

    void reversingThePositionAxisMirrorsTheMap() {
        // One strong line drifting in frequency: the picture is not its own mirror image.
        const QString chirp = writeSeries(data, "chirp.txt", 3000, [](double x) {
            return std::cos(2 * M_PI * (0.015 * x + 0.025 * x * x / 6000));
        });
        ViewController w;
        w.resize(900, 700);
        w.show();
        QVERIFY(runAndWait(w, chirp));
        QWidget* canvas = sharedPlot->plot()->canvas();
        const QImage plain = canvas->grab().toImage();
        w.mapChoices->reverseAction->trigger();
        QVERIFY(w.mapChoices->reverseAction->isChecked());
        const QImage reversed = canvas->grab().toImage();
        QCOMPARE(reversed.size(), plain.size());
        const QImage mirror = plain.mirrored(true, false);
        const double asymmetry = difference(plain, mirror);
        QVERIFY(asymmetry > 5);
        QVERIFY2(difference(reversed, mirror) < 0.1 * asymmetry,
                 qPrintable(QString("%1 vs %2").arg(difference(reversed, mirror)).arg(asymmetry)));
        // The series above the map runs the same way.
        const QwtScaleDiv series =
            reinterpret_cast<SeriesPlot*>(w.seriesPlot)->axisScaleDiv(QwtPlot::xBottom);
        QVERIFY2(series.lowerBound() > series.upperBound(),
                 qPrintable(QString("%1 to %2").arg(series.lowerBound()).arg(series.upperBound())));
    }

    // A Plot press reads its data file once, also when it asks about uneven spacing first and
    // then analyses the series it has read; the derived window is written, never read back.
    void aPlotPressReadsTheFileOnce() {
        const QString uneven = writeSeries(data, "uneven.txt", 1500,
                                           [](double x) { return std::cos(2 * M_PI * 0.05 * x); });
        QFile file(uneven); // positions 0, 1, 2, ... with one spacing of 1.5
        file.open(QIODevice::ReadWrite);
        QByteArray text = file.readAll().replace("\n700\t", "\n700.5\t");
        file.resize(0);
        file.write(text);
        file.close();
        int asked = 0;
        const UnevenSpacingDialog::Chooser saved = UnevenSpacingDialog::chooser();
        UnevenSpacingDialog::chooser() = [&](QWidget*, const QString&, const QString&, double) {
            ++asked;
            return UnevenSpacingChoice{true, 0, false};
        };
        for (const QString& path : {fading, uneven}) {
            ViewController w;
            w.chooseFileAt(path);
            OpenCounter opens(path);
            QVERIFY(opens.watching());
            QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
            w.setupPlot();
            QVERIFY(finished.wait(60000));
            QVERIFY2(finished.first().at(0).toBool(), qPrintable(w.statusMessage()));
            QCOMPARE(opens.take(), 1);
            QCOMPARE(asked, path == uneven ? 1 : 0);
            QCOMPARE(sharedPlot->lastResult()->provenance.interpolation.empty(), path == fading);
        }
        UnevenSpacingDialog::chooser() = saved;
    }

    // The same bad value is refused by the window, naming its Preferences label, and by the
    // tool, naming its option: both from the same catalogue entry.
    void theWindowAndTheToolNameTheSameArgument() {
        const struct {
            analysis::ParameterId id;
            const char* value;
        } cases[] = {{analysis::ParameterId::Tapers, "11"},
                     {analysis::ParameterId::Window, "5000"}};
        for (const auto& c : cases) {
            const analysis::ParameterEntry& e = analysis::parameter(c.id);
            QSettings().clear();
            Preferences::store(e.settingsKey, QString(c.value).toInt());
            ViewController w;
            QVERIFY(!runAndWait(w, fading));
            QVERIFY2(w.statusMessage().startsWith(QString("Not plotted: ") + e.label + ":"),
                     qPrintable(w.statusMessage()));

            QProcess tool;
            tool.start(TONALITH_CLI,
                       {"analyze", fading, "--quiet", "-o", "/dev/null", e.flag, c.value});
            QVERIFY(tool.waitForFinished(60000));
            QCOMPARE(tool.exitCode(), 2);
            QVERIFY2(tool.readAllStandardError().contains(e.flag), e.flag);
        }
        // The forms' fields hold exactly what the catalogue allows: each end of the rule, and
        // nothing beyond a bound the rule states.
        using analysis::ParameterId;
        QSettings().clear();
        PreferencesDialog dialog(nullptr);
        AstroTestPanel panel(nullptr);
        AgeModelPanel ageModel(nullptr);
        const std::pair<ParameterId, QAbstractSpinBox*> fields[] = {
            {ParameterId::Tbw, dialog.timeBandwidthProduct},
            {ParameterId::Tapers, dialog.numberOfTapers},
            {ParameterId::Window, dialog.pointsPerWindow},
            {ParameterId::Step, dialog.windowIncrement},
            {ParameterId::Nfft, dialog.fftPoints},
            {ParameterId::Fmax, dialog.fmax},
            {ParameterId::SedMin, panel.sedMin},
            {ParameterId::SedMax, panel.sedMax},
            {ParameterId::NumSed, panel.numSed},
            {ParameterId::Simulations, panel.simulations},
            {ParameterId::Seed, panel.seed},
            {ParameterId::AgeMa, panel.ageMa},
            {ParameterId::IntervalProbability, panel.interval},
            {ParameterId::Ensemble, ageModel.ensemble},
            {ParameterId::EnsembleSeed, ageModel.seed},
            {ParameterId::Interval, ageModel.interval}};
        for (const auto& [id, field] : fields) {
            const analysis::ParameterEntry& e = analysis::parameter(id);
            const auto* whole = qobject_cast<QSpinBox*>(field);
            const auto* real = qobject_cast<QDoubleSpinBox*>(field);
            const double low = whole ? whole->minimum() : real->minimum();
            const double high = whole ? whole->maximum() : real->maximum();
            const double step = whole ? 1 : std::pow(10.0, -real->decimals());
            QVERIFY2(!analysis::checkValue(e, low, "x"), e.label);
            QVERIFY2(!analysis::checkValue(e, high, "x"), e.label);
            QVERIFY2(analysis::checkValue(e, low - step, "x"), e.label);
            if (std::isfinite(e.rule.highest) && e.rule.highestIncluded)
                QCOMPARE(high, e.rule.highest);
            else if (std::isfinite(e.rule.highest))
                QVERIFY2(analysis::checkValue(e, high + step, "x"), e.label);
            // The field starts at the catalogue's default, or at what the form proposes.
            const double start = whole ? whole->value() : real->value();
            QCOMPARE(start, std::isnan(e.formValue) ? e.defaultValue : e.formValue);
        }
    }
};

QTEST_MAIN(TestChecks)
#include "test_checks.moc"
