// The window in the record's own units and the work kept across runs: unit fields that take
// free typing, a window kept in the record's units across records, the sedimentation rate in
// cm/kyr, sessions that bring back the same map and age model, undoing a dragged point and the
// question on quit.
#include "Qplot/Plot.h"
#include "Qplot/WholeRecordFigure.h"
#include "Qplot/WindowPanel.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/AnchorList.h"
#include "app/panels/AstroTestPanel.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/run/UnevenSpacingDialog.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/settings/PreferencesDialog.h"
#include "app/settings/RecordUnitFields.h"
#include "app/settings/RecordWindow.h"
#include "app/window/AppDelegate.h"
#include "app/window/MapChoices.h"
#include "app/window/MessageBar.h"
#include "app/window/RecentFiles.h"
#include "app/window/ViewController.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// A record of n samples at spacing dt from `from` whose column titles are title and "value".
QString writeRecord(const QString& path, const char* title, int n, double dt,
                    const std::function<double(double)>& f, double from = 0) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(title) + "\tvalue\n");
    for (int i = 0; i < n; ++i)
        file.write(
            QString("%1\t%2\n").arg(from + i * dt, 0, 'g', 17).arg(f(i * dt), 0, 'g', 17).toUtf8());
    return path;
}

// Obliquity and precession deposited at 1.5 cm/kyr, sampled in metres.
double metreCycles(double z) {
    const double rate = 0.015; // m/kyr
    return std::sin(2 * M_PI * z / (41 * rate)) + 0.6 * std::sin(2 * M_PI * z / (23 * rate));
}

bool runAndWait(ViewController& w) {
    QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
    w.setupPlot();
    return finished.wait(60000) && finished.first().at(0).toBool();
}

// Traces the line nearest frequency f from window 10 of the map shown.
void traceAt(ViewController& w, double f) {
    const auto& r = *sharedPlot->lastResult();
    w.tracing->arm();
    w.tracing->mapClicked(r.centre(10), f);
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

class TestRecord : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir data;
    QStringList asked;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_DATA_HOME", config.path().toUtf8());
    }

    void init() {
        QSettings().clear();
        asked.clear();
        Questions::asker() = [this](QWidget*, const QString& title, const QString&,
                                    const QStringList&) {
            asked << title;
            return 0;
        };
    }

    void unitFieldsTakeFreeTyping() {
        PreferencesDialog dialog(nullptr, 0.01, "m");
        dialog.show();
        QDoubleSpinBox* step = dialog.units->stepLength;
        for (const auto& [typed, value, samples] :
             {std::tuple<const char*, double, int>{"0.2", 0.2, 20}, {".25", 0.25, 25}}) {
            step->setFocus();
            step->selectAll();
            QTest::keyClicks(step, typed);
            QCOMPARE(step->cleanText(), QString(typed)); // not rewritten while typing
            QTest::keyClick(step, Qt::Key_Return);
            QCOMPARE(step->value(), value);
            QCOMPARE(dialog.windowIncrement->value(), samples);
        }
        QDoubleSpinBox* fmax = dialog.units->fmaxPerUnit;
        fmax->selectAll();
        QTest::keyClicks(fmax, "6");
        QTest::keyClick(fmax, Qt::Key_Return);
        QCOMPARE(dialog.fmax->value(), 0.06);
        QCOMPARE(fmax->cleanText(), QString("6"));
        // Shown without floating-point noise: 3 x 0.1 reads 0.3.
        dialog.units->setSpacing(0.1, "m");
        dialog.pointsPerWindow->setValue(3);
        QCOMPARE(dialog.units->windowLength->cleanText(), QString("0.3"));
    }

    void unitFieldsBeforeAnyPlot() {
        ViewController w;
        QVERIFY(w.chooseFileAt(
            writeRecord(data.filePath("half.txt"), "depth_m", 500, 0.5, metreCycles)));
        bool enabled = false;
        double length = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            enabled = dialog->units->windowLength->isEnabled();
            length = dialog->units->windowLength->value();
            dialog->reject();
        });
        w.openPreferences();
        QVERIFY(enabled);
        QCOMPARE(length, 200.0); // 400 samples at 0.5 m
    }

    void keptWindowFollowsTheRecord() {
        RecordWindow::setKeep(true);
        Preferences::store(Preferences::pointsPerWindow.name, 200);
        Preferences::store(Preferences::windowIncrement.name, 20);
        Preferences::store(Preferences::fmax.name, 0.1);
        ViewController w;
        const auto wave = [](double x) { return std::sin(x / 7.0); };
        QVERIFY(w.chooseFileAt(writeRecord(data.filePath("fine.txt"), "age_ka", 2000, 0.5, wave)));
        QVERIFY(runAndWait(w));
        QVERIFY(w.chooseFileAt(writeRecord(data.filePath("coarse.txt"), "age_ka", 600, 2.0, wave)));
        QVERIFY(runAndWait(w));
        const analysis::RunParameters& p = sharedPlot->lastResult()->provenance.params;
        QCOMPARE(p.window, 50);
        QCOMPARE(p.step, 5);
        QCOMPARE(p.fmax, 0.4);
        QCOMPARE(Preferences::read(Preferences::pointsPerWindow), 50);

        // Off, the samples stay as set; a run that would leave out the target periods asks.
        RecordWindow::setKeep(false);
        QVERIFY(w.chooseFileAt(data.filePath("fine.txt")));
        w.targetPeriodsAction->setChecked(true);
        w.targets->rate->setValue(1.0);
        Questions::asker() = [this](QWidget*, const QString& title, const QString&,
                                    const QStringList& choices) {
            asked << title;
            return int(choices.size()) - 1; // cancel
        };
        QSignalSpy started(sharedPlot, &MyPlot::runStarted);
        w.setupPlot(); // 50 samples at 0.5 kyr: a 25-kyr window for a 405-kyr period
        QCOMPARE(asked, QStringList{"Target Periods Left Out"});
        QCOMPARE(started.count(), 0);
    }

    void metreRecordTunedInKyr() {
        ViewController w;
        w.show();
        QVERIFY(w.chooseFileAt(
            writeRecord(data.filePath("core_m.txt"), "depth_m", 3000, 0.01, metreCycles)));
        QCOMPARE(w.recordUnits.position, QString("m"));
        QCOMPARE(w.targets->rate->value(), 0.015); // a typical rate in m/kyr
        QVERIFY(runAndWait(w));
        QCOMPARE(sharedPlot->plot()->axisTitle(QwtPlot::yLeft).text(),
                 QString("Frequency (cycles/m)"));
        // Every frequency axis and length the panels show names the unit.
        w.periodAxisAction->setChecked(true);
        w.periodAxisAction->setChecked(false);
        const auto* panel = reinterpret_cast<WindowPanel*>(w.spectrumPanel);
        QCOMPARE(panel->probabilityPlot()->axisTitle(QwtPlot::xBottom).text(),
                 QString("Frequency (cycles/m)"));
        QCOMPARE(w.wholeRecord->figure->probabilityPlot()->axisTitle(QwtPlot::xBottom).text(),
                 QString("Frequency (cycles/m)"));
        w.windowDetail->selectWindowAt(sharedPlot->lastResult()->centre(2));
        QVERIFY2(
            panel->title().endsWith(displayNumberText(sharedPlot->lastResult()->centre(2)) + " m"),
            qPrintable(panel->title()));
        QVERIFY(w.tracing->band->suffix().endsWith("cycles/m"));
        const auto& r = *sharedPlot->lastResult();
        w.windowDetail->showReadout(r.centre(3), r.frequency(40));
        const QString readout = w.readoutLabel->text();
        QVERIFY2(readout.startsWith("x " + displayNumberText(r.centre(3)) + " m | frequency ") &&
                     readout.contains(" cycles/m | period "),
                 qPrintable(readout));
        traceAt(w, 1 / (41 * 0.015));
        w.ageModel->period->setCurrentText("41");
        QVERIFY(w.ageModel->model());
        // The guides follow the traced line: the 41-kyr guide lies on it.
        QVERIFY(std::fabs(w.targets->rate->value() - 0.015) < 0.001);
        const auto& rate = w.ageModel->model()->rate;
        const double slowest = 100 * *std::min_element(rate.begin(), rate.end());
        QVERIFY(slowest > 1.4 && slowest < 1.6);
        const QString summary = w.ageModel->summary->text();
        QVERIFY2(summary.contains("rate " + displayNumberText(slowest) + " to ") &&
                     summary.endsWith(" cm/kyr."),
                 qPrintable(summary));

        const QString out = data.filePath("age-model.tsv");
        Platform::setSaveFileChooser([&](QWidget*, const QString&, const QString&, const QString&,
                                         QString*) { return out; });
        w.ageModel->exportModel();
        const QStringList lines = dataLines(out);
        QCOMPARE(lines.first(),
                 QString("position\tage\tsedimentation_rate\tsedimentation_rate_cm_per_kyr"));
        for (const QString& line : lines.mid(1)) {
            const QStringList f = line.split('\t');
            QCOMPARE(f.size(), 4);
            QVERIFY(std::fabs(f[3].toDouble() - 100 * f[2].toDouble()) < 1e-9 * f[3].toDouble());
        }

        // The tuned series is in kyr: its guides sit at 1 / P.
        QSignalSpy tuned(sharedPlot, &MyPlot::runFinished);
        w.ageModel->analyseTuned();
        QVERIFY(tuned.wait(60000));
        QCOMPARE(asked, QStringList{"Trace"}); // its trace was of the record in metres
        QCOMPARE(w.recordUnits.position, QString("kyr"));
        QCOMPARE(w.targets->rate->value(), 1.0);
        QCOMPARE(sharedPlot->plot()->axisTitle(QwtPlot::yLeft).text(),
                 QString("Frequency (cycles/kyr)"));
    }

    void preparationOfAnotherRecordIsShownAndCleared() {
        Preferences::store(Preferences::detrendKey, "linear");
        Preferences::store(Preferences::standardise.name, true);
        ViewController w;
        const auto wave = [](double x) { return std::sin(x / 7.0) + 0.01 * x; };
        QVERIFY(w.chooseFileAt(writeRecord(data.filePath("a.txt"), "age_ka", 800, 1.0, wave)));
        QVERIFY(runAndWait(w));
        QVERIFY(asked.isEmpty());
        QVERIFY(w.chooseFileAt(writeRecord(data.filePath("b.txt"), "age_ka", 800, 2.0, wave)));
        Questions::asker() = [this](QWidget*, const QString& title, const QString&,
                                    const QStringList&) {
            asked << title;
            return 1; // clear it
        };
        QVERIFY(runAndWait(w));
        QCOMPARE(asked, QStringList{"Series Preparation"});
        QVERIFY(!Preferences::preparation().any());
        QVERIFY(sharedPlot->lastResult()->provenance.preparation.empty());
    }

    void sessionBringsBackTheMapAndAgeModel() {
        QTemporaryDir first;
        const QString record =
            writeRecord(first.filePath("core_m.txt"), "depth_m", 3000, 0.01, metreCycles);
        Preferences::store(Preferences::pointsPerWindow.name, 300);
        Preferences::store(Preferences::detrendKey, "linear");
        std::shared_ptr<const results::ResultSet> map;
        std::vector<double> ages;
        QByteArray saved;
        {
            ViewController w;
            QVERIFY(w.chooseFileAt(record));
            QVERIFY(runAndWait(w));
            traceAt(w, 1 / (41 * 0.015));
            w.ageModel->period->setCurrentText("41");
            w.ageModel->startAge->setValue(120);
            w.ageModel->ensemble->setValue(30);
            w.ageModel->seed->setValue(4);
            w.ageModel->interval->setValue(0.9);
            w.ageModel->anchors->setAnchors({{15, 5000, 2}});
            w.mapChoices->colourGroup->actions().at(2)->trigger();
            QVERIFY(w.hasUnsavedWork());
            QVERIFY(w.saveSessionTo(first.filePath("afternoon.json")));
            QVERIFY(!w.hasUnsavedWork());
            map = sharedPlot->lastResult();
            ages = w.ageModel->model()->age;
        }
        // The folder moves: the data file is found beside the session.
        const QString moved = data.filePath("moved");
        QVERIFY(QDir().rename(first.path(), moved));
        QSettings().clear();
        ViewController w;
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        QVERIFY(w.openSessionAt(moved + "/afternoon.json"));
        QVERIFY(finished.wait(60000));
        QCOMPARE(w.inputFileBox->text(), moved + "/core_m.txt");
        QCOMPARE(Preferences::read(Preferences::pointsPerWindow), 300);
        const auto& again = *sharedPlot->lastResult();
        QCOMPARE(again.provenance.preparation, map->provenance.preparation);
        QVERIFY(again.ampl == map->ampl && again.prob == map->prob);
        QVERIFY(w.ageModel->model());
        QVERIFY(w.ageModel->model()->age == ages);
        QCOMPARE(w.ageModel->ensemble->value(), 30);
        QCOMPARE(w.ageModel->seed->value(), 4);
        QCOMPARE(w.ageModel->interval->value(), 0.9);
        QCOMPARE(w.ageModel->anchors->anchors().size(), 1u);
        QCOMPARE(w.ageModel->anchors->anchors()[0].sd, 2.0);
        QVERIFY(std::fabs(tuning::ageAt(*w.ageModel->model(), 15) - 5000) < 1e-6);
        QCOMPARE(w.recordUnits.position, QString("m"));
        QVERIFY(!w.hasUnsavedWork());
        QCOMPARE(w.mapChoices->colourGroup->checkedAction()->data().toInt(), 2);

        // With the data file neither beside the session nor at its path, the user is asked.
        QFile::remove(moved + "/core_m.txt");
        QString asking;
        Platform::setOpenFileChooser(
            [&](QWidget*, const QString& title, const QString&, const QString&) {
                asking = title;
                return QString();
            });
        QVERIFY(!w.openSessionAt(moved + "/afternoon.json"));
        QCOMPARE(asking, QString("Find the Data File core_m.txt"));
        QVERIFY(QDir().rename(moved, first.path())); // the temporary folder removes itself
    }

    // An age record chosen while a depth record's map is shown, its uneven spacing declined:
    // the map keeps its units, its title and its panels; the declined file stays in Open Recent.
    void aDeclinedRunKeepsTheMapsUnits() {
        ViewController w;
        const QString depths =
            writeRecord(data.filePath("odp_m.txt"), "depth_m", 1500, 0.01, metreCycles);
        QVERIFY(w.chooseFileAt(depths));
        QVERIFY(runAndWait(w));
        Plot* plot = sharedPlot->plot();
        const auto titles = [plot] {
            return QStringList{plot->axisTitle(QwtPlot::xBottom).text(),
                               plot->axisTitle(QwtPlot::yLeft).text()};
        };
        const QStringList metres = titles();
        QCOMPARE(metres.last(), QString("Frequency (cycles/m)"));
        const QString ages = data.filePath("lr04_ka.txt");
        QFile file(ages);
        file.open(QIODevice::WriteOnly);
        file.write("age_ka\td18O\n");
        for (int i = 0; i < 800; ++i)
            if (i != 100)
                file.write(QString("%1\t%2\n").arg(i).arg(std::sin(i / 4.1)).toUtf8());
        file.close();
        QVERIFY(w.chooseFileAt(ages));
        QCOMPARE(titles(), metres); // chosen only: the map is the depth record's
        const auto ask = UnevenSpacingDialog::chooser();
        UnevenSpacingDialog::chooser() = [](QWidget*, const QString&, const QString&, double) {
            return UnevenSpacingChoice{}; // Cancel
        };
        QSignalSpy started(sharedPlot, &MyPlot::runStarted);
        w.setupPlot();
        UnevenSpacingDialog::chooser() = ask;
        QCOMPARE(started.count(), 0);
        QCOMPARE(titles(), metres);
        QCOMPARE(w.mapUnits().position, QString("m"));
        const auto& r = *sharedPlot->lastResult();
        w.windowDetail->showReadout(r.centre(3), r.frequency(40));
        QVERIFY2(w.readoutLabel->text().contains(" m | frequency "),
                 qPrintable(w.readoutLabel->text()));
        QCOMPARE(w.windowDetail->positionUnit, QString("m"));
        QVERIFY(w.windowTitle().endsWith("odp_m.txt"));
        QCOMPARE(w.inputFileBox->text(), depths);
        QVERIFY(w.messageBar->text->text().endsWith("The map still shows odp_m.txt."));
        QVERIFY(w.recent->files().contains(ages)); // declined, nothing wrong with it
    }

    // Lines without a number are named in the message bar before the question on the spacing
    // they leave uneven; the question says once, without floating-point noise, how uneven.
    void droppedLinesAreNamedBeforeTheSpacingQuestion() {
        const QString gaps =
            writeRecord(data.filePath("gaps.txt"), "depth_m", 600, 0.01, metreCycles);
        QFile file(gaps);
        file.open(QIODevice::ReadOnly);
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        file.close();
        lines[58] = lines[58].section('\t', 0, 0) + "\tn/a"; // file line 59
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(lines.join('\n').toUtf8());
        file.close();
        ViewController w;
        QVERIFY(w.chooseFileAt(gaps));
        QString barWhenAsked, spacing;
        const auto ask = UnevenSpacingDialog::chooser();
        UnevenSpacingDialog::chooser() = [&](QWidget*, const QString&, const QString& text,
                                             double) {
            barWhenAsked = w.messageBar->isHidden() ? QString() : w.messageBar->text->text();
            spacing = text;
            return UnevenSpacingChoice{true, 0, false};
        };
        const bool shown = runAndWait(w);
        UnevenSpacingDialog::chooser() = ask;
        QVERIFY(shown);
        QVERIFY2(barWhenAsked.startsWith("gaps.txt: dropped lines: 1 (59: n/a)"),
                 qPrintable(barWhenAsked));
        // The dialog says "not evenly spaced"; its detail does not say it again.
        QVERIFY2(spacing.startsWith("the spacing is taken as 0.01 ") &&
                     spacing.endsWith("deviates from it by 0.01"),
                 qPrintable(spacing));
        // Still true of the map shown: the note stays.
        QVERIFY(!w.messageBar->isHidden());
        QVERIFY(w.messageBar->text->text().contains("59: n/a"));
    }

    // The settings and the session's own fields hold numbers as the user writes them, whatever
    // arithmetic made them; data columns stay exact.
    void settingsAndSessionsHoldNoNumberNoise() {
        RecordWindow::setKeep(true);
        Preferences::store(Preferences::pointsPerWindow.name, 200);
        Preferences::store(Preferences::fmax.name, 0.06);
        ViewController w;
        // From 100 m the spacing read is 0.010000000000005116 m.
        QVERIFY(w.chooseFileAt(
            writeRecord(data.filePath("noisy.txt"), "depth_m", 1500, 0.01, metreCycles, 100)));
        QVERIFY(runAndWait(w));
        QVERIFY(sharedPlot->lastResult()->provenance.deltat != 0.01);
        // 200 samples at 0.01 m is 2 m; 0.06 cycles per sample is 6 cycles/m.
        QSettings settings;
        QCOMPARE(settings.value("recordWindow/length").toString(), QString("2"));
        QCOMPARE(settings.value("recordWindow/fmaxPerUnit").toString(), QString("6"));
        traceAt(w, 1 / (41 * 0.015));
        QVERIFY(w.saveSessionTo(data.filePath("noisy.json")));
        QFile saved(data.filePath("noisy.json"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QJsonObject o = QJsonDocument::fromJson(saved.readAll()).object();
        const QString trace = o.value("trace").toString();
        // W = 3 / (200 x 0.01 m): 1.5 cycles/m, the band a half of it.
        QVERIFY2(trace.contains("# trace band: 0.75 cycles") && trace.contains("W = 1.5 cycles"),
                 qPrintable(trace.left(1500)));
        const QStringList rows = trace.split('\n').filter(QRegularExpression("^[0-9]"));
        QVERIFY(!rows.isEmpty());
        const double centre = rows.first().section('\t', 0, 0).toDouble();
        QCOMPARE(centre, sharedPlot->lastResult()->centre(0)); // exact, as computed
        RecordWindow::setKeep(false);
    }

    // A session keeps the astronomical test's settings and an age model from its track, and
    // opens from the command line as a session.
    void sessionKeepsTheAstronomicalTest() {
        QString path;
        tuning::RateTrack track;
        {
            ViewController w;
            QVERIFY(w.chooseFileAt(
                writeRecord(data.filePath("track_m.txt"), "depth_m", 1500, 0.01, metreCycles)));
            QVERIFY(runAndWait(w));
            w.astroTest->sedMin->setValue(0.7);
            w.astroTest->numSed->setValue(40);
            w.astroTest->positionsIn->setCurrentText("cm");
            const auto& r = *sharedPlot->lastResult();
            track = {{r.positions.front(), r.positions.back()}, {1.2, 1.8}};
            w.ageModel->setRateTrack(sharedPlot->lastResult(), track, "m", 1.0);
            w.ageModel->startAge->setValue(30);
            QVERIFY(w.ageModel->model());
            path = data.filePath("track.json");
            QVERIFY(w.saveSessionTo(path));
        }
        AppDelegate delegate;
        delegate.applicationDidFinishLaunching({"tonalith", path});
        ViewController& w = *delegate.window();
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished); // the run ends on the event loop
        QVERIFY(finished.wait(60000));
        QCOMPARE(w.inputFileBox->text(), data.filePath("track_m.txt")); // not read as data
        QCOMPARE(w.astroTest->sedMin->value(), 0.7);
        QCOMPARE(w.astroTest->numSed->value(), 40);
        QCOMPARE(w.astroTest->positionsIn->currentText(), QString("cm"));
        QVERIFY(w.ageModel->rateTrack());
        QCOMPARE(w.ageModel->rateTrack()->rate, track.rate);
        QVERIFY(w.ageModel->model());
        QCOMPARE(w.ageModel->model()->age.front(), 30.0);
        QVERIFY(!w.hasUnsavedWork());
        w.close();
    }

    void sessionFilesThatCannotBeUsedSayWhy() {
        const std::pair<QByteArray, QString> cases[] = {
            {"{\"format\": ", "it is not JSON"},
            {"{\"format\": \"other\"}", "it is not a Tonalith session"},
            {"{\"format\": \"tonalith-session\", \"version\": 99}",
             "it was written by a newer Tonalith"},
        };
        for (const auto& [text, reason] : cases) {
            bool found = false;
            QString why;
            QVERIFY(!Session::fromJson(text, data.filePath("s.json"), &found, &why));
            QVERIFY2(why.startsWith(reason), qPrintable(why));
        }
    }

    void draggedPointIsUndoneAndRedone() {
        ViewController w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.chooseFileAt(
            writeRecord(data.filePath("core_m.txt"), "depth_m", 3000, 0.01, metreCycles)));
        QVERIFY(runAndWait(w));
        traceAt(w, 1 / (41 * 0.015));
        const tuning::TracePoint before = w.tracing->points()[20];
        w.tracing->pointDragged(20, 1 / (23 * 0.015));
        const tuning::TracePoint after = w.tracing->points()[20];
        QVERIFY(after.bin != before.bin);
        w.activateWindow();
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.tracing->points()[20].bin, before.bin);
        QVERIFY(!w.tracing->retrace->isEnabled());
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.tracing->points()[20].bin, after.bin);

        // A new map of the same record follows the trace again from its start.
        const auto traced = w.tracing->points().size();
        Preferences::store(Preferences::detrendKey, "linear");
        QVERIFY(runAndWait(w));
        QCOMPARE(w.tracing->points().size(), traced);
        QVERIFY(asked.isEmpty());

        // Quit asks while the trace is not saved; cancelled, the window stays.
        Questions::asker() = [this](QWidget*, const QString& title, const QString&,
                                    const QStringList&) {
            asked << title;
            return 2;
        };
        QVERIFY(!w.close());
        QCOMPARE(asked, QStringList{"Unsaved Work"});
    }
};

QTEST_MAIN(TestRecord)
#include "test_record.moc"
