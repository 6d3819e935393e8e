// The window in the record's own units and the work kept across runs: unit fields that take
// free typing, a window kept in the record's units across records, the sedimentation rate in
// cm/kyr, sessions that bring back the same map and age model, undoing a dragged point and the
// question on quit.
#include "Qplot/Plot.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/AnchorList.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/settings/PreferencesDialog.h"
#include "app/settings/RecordUnitFields.h"
#include "app/settings/RecordWindow.h"
#include "app/window/MapChoices.h"
#include "app/window/ViewController.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

// A record of n samples at spacing dt whose column titles are title and "value".
QString writeRecord(const QString& path, const char* title, int n, double dt,
                    const std::function<double(double)>& f) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(title) + "\tvalue\n");
    for (int i = 0; i < n; ++i)
        file.write(QString("%1\t%2\n").arg(i * dt, 0, 'g', 17).arg(f(i * dt), 0, 'g', 17).toUtf8());
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
