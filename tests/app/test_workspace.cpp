// The window as a workspace: the panels docked around the map fit the window without overlap
// at a laptop's size and a desktop's, the series stays aligned with the map, a refused file
// leaves the previous record in place, and another background is fitted without a new
// computation of the whole record's spectrum.
#include "Qplot/Plot.h"
#include "Qplot/SeriesPlot.h"
#include "Qplot/WholeRecordFigure.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/TraceFlags.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/window/MapChoices.h"
#include "app/window/MessageBar.h"
#include "app/window/PanelDocks.h"
#include "app/window/RecentFiles.h"
#include "app/window/ViewController.h"

#include <qwt_plot_curve.h>

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

QString writeSeries(const QTemporaryDir& dir, const QString& name, int n, bool decimalComma) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("depth_m\tgrey\n");
    for (int i = 0; i < n; ++i) {
        QString line =
            QString("%1\t%2\n").arg(i * 0.5).arg(std::sin(2 * M_PI * i / 41.0), 0, 'f', 6);
        if (decimalComma)
            line.replace('.', ',');
        f.write(line.toUtf8());
    }
    return path;
}

bool runAndWait(ViewController& w) {
    QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
    w.setupPlot();
    return finished.wait(60000) && finished.first().first().toBool();
}

QString rectText(const QRect& r) {
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Pairs of visible widgets, children of the same parent, whose rectangles intersect.
QStringList overlaps(const QWidget* parent) {
    // A tabbed dock behind the current one is parked outside the window.
    QList<const QWidget*> shown;
    for (const QObject* o : parent->children())
        if (const auto* w = qobject_cast<const QWidget*>(o);
            w && w->isVisible() && !w->isWindow() && parent->rect().intersects(w->geometry()))
            shown << w;
    QStringList found;
    for (int i = 0; i < shown.size(); ++i) {
        for (int j = i + 1; j < shown.size(); ++j)
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                found << QString("%1 %2 / %3 %4 in %5 %6 %7")
                             .arg(shown[i]->metaObject()->className(), shown[i]->objectName(),
                                  shown[j]->metaObject()->className(), shown[j]->objectName(),
                                  parent->metaObject()->className())
                             .arg(rectText(shown[i]->geometry()), rectText(shown[j]->geometry()));
        // A plot lays out its own axes, whose ends meet at the corners.
        if (!shown[i]->inherits("QwtPlot"))
            found << overlaps(shown[i]);
    }
    return found;
}

// Visible one-line labels narrower than their text.
QStringList clippedLabels(const QWidget* window) {
    QStringList found;
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (l->isVisible() && !l->wordWrap() && !l->text().isEmpty() &&
            l->width() < l->minimumSizeHint().width())
            found << l->text();
    return found;
}

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir data;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_DATA_HOME", config.path().toUtf8());
    }

    void init() {
        QSettings().clear();
        axisRanges() = AxisRanges{};
    }

    void everyPanelFits_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("laptop") << QSize(1000, 700);
        QTest::newRow("desktop") << QSize(1600, 1000);
    }

    // Every panel and bar shown, each dock in turn the current tab of its group: nothing
    // overlaps, no label is cut, the window keeps its size, the map at least 40 % of its height
    // and the series' plot area right above the map's.
    void everyPanelFits() {
        QFETCH(QSize, size);
        ViewController w;
        w.resize(size);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.chooseFileAt(writeSeries(data, "fit.txt", 1200, false)));
        QVERIFY(runAndWait(w));
        for (QAction* a : {w.showSeriesAction, w.showSpectrumAction, w.showWholeRecordAction,
                           w.ageModelAction, w.tracingBarAction, w.targetPeriodsAction})
            a->setChecked(true);
        w.windowDetail->selectWindowAt(300);
        for (QDockWidget* dock : w.docks->docks()) {
            dock->raise();
            QTRY_VERIFY2(w.rect().intersects(dock->geometry()), qPrintable(dock->windowTitle()));
            // The raised dock's pending layout requests are applied before anything is measured.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
            QCOMPARE(w.size(), size);
            const QStringList overlapping = overlaps(&w);
            QVERIFY2(overlapping.isEmpty(), qPrintable(overlapping.join("; ")));
            const QStringList clipped = clippedLabels(&w);
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
            // Each panel at its full width: nothing cut at its right.
            const auto* holder = qobject_cast<QScrollArea*>(dock->widget());
            QVERIFY(holder && !holder->horizontalScrollBar()->isVisible());
            QVERIFY2(w.boxView->height() >= 0.4 * w.height(),
                     qPrintable(QString("map %1 of %2").arg(w.boxView->height()).arg(w.height())));
            // The bars hold their whole rows (none pushed into an overflow menu).
            for (const QWidget* bar :
                 {static_cast<QWidget*>(w.tracing), static_cast<QWidget*>(w.targets),
                  static_cast<QWidget*>(w.plotButton)})
                QVERIFY(bar->isVisible());
        }
        auto* series = reinterpret_cast<SeriesPlot*>(w.seriesPlot);
        QWidget* map = sharedPlot->plot()->canvas();
        QCOMPARE(w.dockWidgetArea(PanelDocks::dockOf(series)), Qt::TopDockWidgetArea);
        QTRY_COMPARE(series->canvas()->mapToGlobal(QPoint(0, 0)).x(),
                     map->mapToGlobal(QPoint(0, 0)).x());
        QTRY_COMPARE(series->canvas()->width(), map->width());
    }

    // At 1000 x 700 the window stays on the screen whatever its bars and messages hold: a trace
    // with flagged points listed on its bar, a session opened, a file refused under a long
    // name, a long message beside the readout. The refusal goes once a plot succeeds.
    void theWindowStaysOnALaptopScreen() {
        Preferences::store("windowIncrement", 10);
        Preferences::store("fmax", 0.1);
        Questions::asker() = [](QWidget*, const QString&, const QString&, const QStringList&) {
            return 0;
        };
        // A line at 0.05 cycles per sample that fades out halfway while a stronger one goes on:
        // a trace started on it jumps, and its bar lists the flagged points.
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0, 0.05);
        const QString fading = data.filePath("fading.txt");
        QFile f(fading);
        f.open(QIODevice::WriteOnly);
        f.write("depth\tvalue\n");
        for (int i = 0; i < 3000; ++i)
            f.write(QString("%1\t%2\n")
                        .arg(i)
                        .arg((i < 1500 ? 1.0 : 0.0) * std::cos(2 * M_PI * 0.05 * i) +
                                 2 * std::cos(2 * M_PI * 0.062 * i) + noise(rng),
                             0, 'g', 17)
                        .toUtf8());
        f.close();
        const QSize laptop(1000, 700);
        ViewController w;
        w.resize(laptop);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (QAction* a : {w.showSeriesAction, w.showSpectrumAction, w.showWholeRecordAction,
                           w.ageModelAction, w.tracingBarAction, w.targetPeriodsAction})
            a->setChecked(true);
        const auto onScreen = [&](const char* after) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QCoreApplication::processEvents();
            const QSize least = w.layout()->minimumSize();
            if (w.size() == laptop && least.width() <= laptop.width() &&
                least.height() <= laptop.height())
                return true;
            qWarning("after %s: the window is %dx%d and needs %dx%d", after, w.width(), w.height(),
                     least.width(), least.height());
            return false;
        };
        QVERIFY(w.chooseFileAt(fading));
        QVERIFY(runAndWait(w));
        w.tracing->arm();
        w.mapClicked(300, 0.0497);
        QVERIFY(flaggedCount(w.tracing->points()) >= 3);
        QVERIFY(onScreen("tracing"));

        QVERIFY(w.saveSessionTo(data.filePath("laptop.json")));
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        QVERIFY(w.openSessionAt(data.filePath("laptop.json")));
        QVERIFY(finished.wait(60000));
        QVERIFY(!w.tracing->points().empty());
        QVERIFY(onScreen("opening the session"));

        const QString refused = writeSeries(data, QString(80, 'x') + ".txt", 100, true);
        QVERIFY(!w.chooseFileAt(refused));
        QVERIFY(w.messageBar->isVisible());
        QVERIFY(onScreen("a refused file"));
        // The message and the readout side by side, never one over the other.
        const auto& r = *sharedPlot->lastResult();
        w.windowDetail->showReadout(r.centre(5), r.frequency(20));
        QVERIFY(!w.readoutLabel->text().isEmpty());
        QVERIFY(onScreen("the readout"));
        const auto* status = w.findChild<QLabel*>("statusText");
        QVERIFY(status && status->isVisible() && w.readoutLabel->isVisible());
        QCOMPARE(status->text(), w.statusMessage());
        QVERIFY(!status->geometry().intersects(w.readoutLabel->geometry()));

        QVERIFY(runAndWait(w)); // the record of the map again
        QVERIFY(!w.messageBar->isVisible());
    }

    // A hint over the placeholder until the first map; then, the map in focus, the arrow keys
    // step from window to window.
    void firstStartHintAndArrowKeys() {
        ViewController w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* hint = w.boxView->findChild<QLabel*>("firstStartHint");
        QVERIFY(hint && hint->isVisible());
        QVERIFY(hint->text().contains("press <b>Plot</b>"));
        QVERIFY(w.chooseFileAt(writeSeries(data, "keys.txt", 1000, false)));
        // A file chosen (on the command line too): the hint names it, no longer the sample.
        QVERIFY(hint->text().startsWith("<b>keys.txt</b> is chosen"));
        QVERIFY(runAndWait(w));
        QVERIFY(!hint->isVisible());
        QWidget* canvas = sharedPlot->plot()->canvas(); // its keys go on to the map
        const int windows = sharedPlot->lastResult()->windows;
        for (const auto& [key, expected] : std::vector<std::pair<Qt::Key, int>>{
                 {Qt::Key_Right, 0}, {Qt::Key_Right, 1}, {Qt::Key_Left, 0}, {Qt::Key_Left, 0}}) {
            QTest::keyClick(canvas, key);
            QCOMPARE(w.windowDetail->selectedWindow(), expected);
        }
        w.windowDetail->selectWindowAt(sharedPlot->lastResult()->centre(windows - 1));
        QTest::keyClick(canvas, Qt::Key_Right);
        QCOMPARE(w.windowDetail->selectedWindow(), windows - 1);
    }

    // A panel added by another part of the window joins the tabs on the right and the View menu.
    void anotherSidePanelJoinsTheTabs() {
        ViewController w;
        w.show();
        auto* show = new QAction("&Test Panel", &w);
        QDockWidget* dock = w.addSidePanel(new QLabel("test"), "Test", "testDock", show);
        const QList<QWidget*> shownIn = show->associatedWidgets();
        QVERIFY(std::any_of(shownIn.begin(), shownIn.end(), [](const QWidget* m) {
            return qobject_cast<const QMenu*>(m) &&
                   qobject_cast<const QMenu*>(m)->title() == "&View";
        }));
        show->trigger();
        QTRY_VERIFY(dock->widget()->isVisible());
        w.showSpectrumAction->trigger();
        // Behind the window's detail, in one group: parked outside the window.
        QTRY_VERIFY(!w.rect().intersects(dock->geometry()));
        QVERIFY(w.tabifiedDockWidgets(dock).contains(PanelDocks::dockOf(w.windowDetail)));
        QVERIFY(show->isChecked());
        dock->close();
        QVERIFY(!show->isChecked());
    }

    // The colour-map menu names what a map looks like; the settings keep the tool's word.
    void colourMapMenuNamesWhatItShows() {
        ViewController w;
        QAction* grey = w.mapChoices->colourGroup->actions()[PLOT_MAP_GREYSCALE];
        QCOMPARE(grey->text(), QString("&Greyscale: Black to White"));
        grey->trigger();
        w.mapChoices->save();
        QCOMPARE(QSettings().value("view/colours").toString(), QString("greyscale"));
    }

    // A file refused when it is chosen (decimal commas) or at Plot leaves the record the map
    // shows: the map, the series, the file box, and an Open Recent without the refused file.
    void aRefusedFileLeavesThePreviousRecord() {
        ViewController w;
        w.show();
        const QString good = writeSeries(data, "good.txt", 1000, false);
        QVERIFY(w.chooseFileAt(good));
        QVERIFY(runAndWait(w));
        const auto shown = sharedPlot->lastResult();
        auto* series = reinterpret_cast<SeriesPlot*>(w.seriesPlot);
        const QString commas = writeSeries(data, "commas.txt", 1000, true);
        const QString shortFile = writeSeries(data, "short.txt", 12, false);
        for (const QString& refused : {commas, shortFile}) {
            w.messageBar->hide();
            if (refused == commas) {
                QVERIFY(!w.chooseFileAt(refused));
                QVERIFY(w.messageBar->text->text().contains("decimal comma"));
                QVERIFY(w.messageBar->text->text().contains("choose the file again"));
            } else {
                QVERIFY(w.chooseFileAt(refused));
                w.setupPlot();
                QTRY_VERIFY(w.messageBar->text->text().endsWith("The map still shows good.txt."));
            }
            QVERIFY(w.messageBar->isVisible());
            QVERIFY(w.statusMessage().startsWith(w.messageBar->text->text().left(20)));
            QCOMPARE(sharedPlot->lastResult(), shown);
            QCOMPARE(w.inputFileBox->text(), good);
            QCOMPARE(w.dataColumnPopUp->itemText(0), QString("grey"));
            QCOMPARE(int(series->curve()->dataSize()), 1000);
            QVERIFY(!w.recent->files().contains(refused));
            QVERIFY(w.recent->files().contains(good));
        }
        w.messageBar->dismiss->click();
        QVERIFY(!w.messageBar->isVisible());
    }

    // Another background is fitted to the spectrum shown, at once and without a new
    // computation; the heading names it.
    void anotherBackgroundIsFittedWithoutRecomputing() {
        ViewController w;
        w.show();
        w.showWholeRecordAction->setChecked(true);
        QVERIFY(w.chooseFileAt(writeSeries(data, "bg.txt", 1000, false)));
        QSignalSpy computed(w.wholeRecord, &WholeRecordPanel::computed);
        QVERIFY(runAndWait(w));
        QVERIFY(computed.wait(60000));
        const auto before = w.wholeRecord->spectrum();
        const int computations = w.wholeRecord->computations();
        QVERIFY(!w.wholeRecord->progress->isVisible());
        w.wholeRecord->background->setCurrentIndex(1);
        const auto after = w.wholeRecord->spectrum();
        QVERIFY(after != before);
        QCOMPARE(w.wholeRecord->computations(), computations);
        QCOMPARE(after->power, before->power);
        QVERIFY(after->background.kind == spectrum::BackgroundKind::Robust);
        QVERIFY(after->background.level != before->background.level);
        QVERIFY(w.wholeRecord->figure->title().contains("robust AR(1) background"));
        // The levels are shaded where they are not to be trusted: up to the first reliable
        // bin, at 2W or just above.
        const double W = after->halfBandwidth;
        QCOMPARE(w.wholeRecord->figure->unreliableBand().maxValue(),
                 spectrum::unreliableBelow(*after));
        QVERIFY(spectrum::unreliableBelow(*after) >= 2 * W);
        w.wholeRecord->background->setCurrentIndex(0);
        QCOMPARE(w.wholeRecord->spectrum()->background.level, before->background.level);
        QCOMPARE(w.wholeRecord->figure->unreliableBand().maxValue(),
                 spectrum::unreliableBelow(*before));
        QVERIFY(spectrum::unreliableBelow(*before) >= 2 * W);

        // A computation stopped at once: the progress goes, the spectrum shown stays.
        const auto shown = w.wholeRecord->spectrum();
        const int shownSoFar = computed.size();
        w.wholeRecord->setResult(sharedPlot->lastResult(), 0.9);
        QCOMPARE(w.wholeRecord->computations(), computations + 1);
        QVERIFY(w.wholeRecord->progress->isVisible() && w.wholeRecord->stop->isVisible());
        w.wholeRecord->stop->click();
        QVERIFY(!w.wholeRecord->progress->isVisible());
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(w.wholeRecord->spectrum(), shown);
        QCOMPARE(computed.size(), shownSoFar);
    }
};

QTEST_MAIN(TestWorkspace)
#include "test_workspace.moc"
