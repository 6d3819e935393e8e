#include "app/window/ViewController.h"

#include "app/files/TraceFiles.h"
#include "app/panels/LineTracing.h"
#include "app/panels/SeriesPanel.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/settings/PreferencesDialog.h"
#include "app/settings/RecordSettings.h"
#include "app/window/DataFileChooser.h"
#include "app/window/GuideDialog.h"
#include "app/window/MapArea.h"
#include "app/window/MapChoices.h"
#include "app/window/MessageBar.h"
#include "app/window/PanelDocks.h"
#include "app/window/ViewControllerAxisControls.h"
#include "app/window/ViewControllerCredits.h"
#include "app/window/WindowState.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>

namespace {

void pointerMoved(void* ctx, double x, double y) {
    static_cast<ViewController*>(ctx)->windowDetail->showReadout(x, y);
}
void pointerClicked(void* ctx, double x, double y) {
    static_cast<ViewController*>(ctx)->mapClicked(x, y);
}

} // namespace

ViewController::ViewController(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Tonalith");
    setAcceptDrops(true);
    buildWindow();
    buildMenus();
    viewDidLoad();
    restoreWindowState();
}

ViewController::~ViewController() {
    // The bars draw on the map as they are hidden: they go before it.
    delete targets;
    delete tracing;
    if (sharedPlot && sharedPlot->parent() == this)
        sharedPlot = nullptr;
}

void ViewController::viewDidLoad() {
    skipHeaders = true;
    plotSignificanceContours = true;
    skipHeadersCheckBox->setChecked(skipHeaders);
    significanceCheckBox->setChecked(plotSignificanceContours);
    Preferences::registerDefaults();

    // Qt finds its plug-ins in the folder it was built with; the executable's folder follows.
    const QString pluginPath = QLibraryInfo::location(QLibraryInfo::PluginsPath);
    Platform::say("BundlePath= " + pluginPath);
    const QString executablePath = QCoreApplication::applicationDirPath();
    QCoreApplication::setLibraryPaths({pluginPath, executablePath});
    Platform::say("(" + QCoreApplication::libraryPaths().join(", ") + ")");

    sharedPlot = new MyPlot(progressIndicator);
    sharedPlot->setParent(this);
    connect(sharedPlot, &MyPlot::runStarted, this, &ViewController::runStarted);
    connect(sharedPlot, &MyPlot::runFinished, this, &ViewController::runFinished);
    connect(sharedPlot->widget(), SIGNAL(pdfExportFinished(bool, QString, QString)), this,
            SLOT(pdfExported(bool, QString, QString)));
    plotSetPointerCallbacks(sharedPlot->plot(), this, &pointerMoved, &pointerClicked);
    recordSettings_ = std::make_unique<RecordSettings>(this);
    embedPlot();
    buildTuning();
    seriesFollowPlot(seriesPlot, sharedPlot->plot());
    if (mapChoices)
        applyMapChoices();
}

void ViewController::embedPlot() {
    if (!boxView) {
        Platform::say("problem");
        return;
    }
    mapArea_->embed(sharedPlot);
    if (sharedPlot)
        nudgeWindow();
}

void ViewController::nudgeWindow() {
    // One relayout so that the embedded plot takes its final size.
    const QSize size = this->size();
    resize(size.width() + 1, size.height());
    resize(size);
}

QString ViewController::statusMessage() const {
    return statusText_->text();
}

void ViewController::report(const QString& message) {
    // A newer message takes the place of the readout, and reads in full in the tooltip
    // however narrow the window. Message and readout are laid out side by side, never over
    // one another.
    readoutLabel->clear();
    statusText_->setText(message);
    statusBar()->setToolTip(message);
    Platform::say(message);
}

void ViewController::refuse(const QString& message) {
    messageBar->showMessage(message);
    report(message);
}

void ViewController::setRepresentedObject(const QVariant& object) {
    representedObject_ = object;
    Platform::say("did Set");
}

void ViewController::updateTitle(const QString& path) {
    setWindowTitle(path.isEmpty() ? "Tonalith" : "Tonalith \u2014 " + QFileInfo(path).fileName());
}

void ViewController::restoreWindowState() {
    windowState_ = std::make_unique<WindowState>(
        this, WindowState::Views{{"view/series", showSeriesAction},
                                 {"view/spectrum", showSpectrumAction},
                                 {"view/periods", periodAxisAction},
                                 {"view/logarithmic", logAxisAction},
                                 {"view/trend", showTrendAction},
                                 {"view/wholeRecord", showWholeRecordAction},
                                 {"view/targets", targetPeriodsAction},
                                 {"view/ageModel", ageModelAction},
                                 {"view/tracing", tracingBarAction}});
    windowState_->restore();
}

QDockWidget* ViewController::addSidePanel(QWidget* panel, const QString& title,
                                          const QString& objectName, QAction* viewAction) {
    if (!viewAction->parent())
        viewAction->setParent(this);
    viewMenu_->insertAction(tracingBarAction, viewAction);
    return docks->addPanel(panel, title, objectName, Qt::RightDockWidgetArea, viewAction);
}

void ViewController::closeEvent(QCloseEvent* event) {
    if (hasUnsavedWork()) {
        const int answer =
            Questions::ask(this, "Unsaved Work",
                           "The trace, the age model or the session's settings have changed "
                           "since they were saved.",
                           {"Save Session...", "Quit Without Saving", "Cancel"});
        if (answer < 0 || answer == 2 || (answer == 0 && !saveSession())) {
            event->ignore();
            return;
        }
    }
    windowState_->save();
    targets->save();
    mapChoices->save();
    if (sharedPlot)
        sharedPlot->cancel();
    QMainWindow::closeEvent(event);
}

void ViewController::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void ViewController::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    chooseFileAt(urls.first().toLocalFile());
}

void ViewController::chooseFile() {
    chooser_->choose();
}

bool ViewController::chooseFileAt(const QString& path) {
    return chooser_->chooseAt(path);
}

QString ViewController::pathInBox() const {
    return chooser_->pathInBox();
}

QUrl ViewController::sampleDataFile() const {
    const QString path = Platform::resourcePath("etp.txt");
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

void ViewController::saveTrace() {
    traceFiles_->save();
}

void ViewController::openTrace() {
    traceFiles_->open(QFileInfo(chooser_->file()).absolutePath());
}

void ViewController::mapClicked(double x, double f) {
    if (tracing && tracing->mapClicked(x, f)) {
        ageModelAction->setChecked(true);
        return;
    }
    windowDetail->selectWindowAt(x);
}

void ViewController::markSelectedWindow() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    const int w = windowDetail->selectedWindow();
    if (!r || w < 0 || w >= r->windows) {
        selectedCentre_ = NAN;
        mapArea_->markWindow(0, false);
        seriesPanel_->clearSpan();
        return;
    }
    selectedCentre_ = r->centre(w);
    const auto& trace = tracing ? tracing->points() : std::vector<tuning::TracePoint>();
    windowPanelSetMark(spectrumPanel, trace.empty() ? 0.0 : trace[w].frequency, !trace.empty());
    const double halfLength = 0.5 * (r->provenance.params.window - 1) * r->provenance.deltat;
    mapArea_->markWindow(selectedCentre_, true);
    seriesPanel_->setSpan(selectedCentre_ - halfLength, selectedCentre_ + halfLength);
}

void ViewController::applyMapChoices() {
    if (!sharedPlot)
        return;
    MyPlot::MapDisplay d = mapChoices->display();
    d.fdr = windowDetail->lineRule().fdr;
    seriesPanel_->setReversed(d.reverseX);
    if (!mapArea_->setDisplay(d))
        return;
    // A redraw puts the axes back at the whole map: the ranges the user set stay.
    const AxisRanges& ranges = axisRanges();
    if (ranges.complete())
        applyAxisRanges(*ranges.xmin, *ranges.xmax, *ranges.ymin, *ranges.ymax, *ranges.zmin,
                        *ranges.zmax);
    updateFrequencyAxis();
}

void ViewController::updateFrequencyAxis() {
    mapArea_->setFrequencyAxis(periodAxisAction->isChecked(), logAxisAction->isChecked());
}

void ViewController::applyAxisRanges(double xmin, double xmax, double ymin, double ymax,
                                     double zmin, double zmax) {
    const QString problem = mapArea_->showRanges(xmin, xmax, ymin, ymax, zmin, zmax);
    if (!problem.isEmpty())
        report(problem);
    centralWidget()->updateGeometry();
    nudgeWindow();
}

void ViewController::openAxisControls() {
    if (axisControls_)
        return;
    auto* popover = new ViewControllerAxisControls(this);
    axisControls_ = popover;
    prepareForSegue("axisControlsSegue", popover);
    popover->setRepresentedObject(QVariant::fromValue(sharedPlot->widget()));
    popover->viewDidLoad();
    connect(popover, &ViewControllerAxisControls::problem, this, &ViewController::report);
    connect(popover, &ViewControllerAxisControls::closed, this,
            [this](const QString& notification) {
                axisControls_ = nullptr;
                popoverDidClose(notification);
            });
    popover->showBelow(axisControlsButton);
}

void ViewController::prepareForSegue(const QString& identifier, QObject* destination) {
    if (identifier != "axisControlsSegue")
        return;
    Platform::say("axisControlsSegue called");
    if (auto* controls = qobject_cast<ViewControllerAxisControls*>(destination)) {
        QPointer<ViewController> self(this);
        controls->callback = [self](double xmin, double xmax, double ymin, double ymax, double zmin,
                                    double zmax) {
            if (self)
                self->applyAxisRanges(xmin, xmax, ymin, ymax, zmin, zmax);
        };
    }
}

void ViewController::popoverDidClose(const QString& notification) {
    Platform::say(notification);
}

void ViewController::printImage() {
    if (sharedPlot)
        plotExportPdf(sharedPlot->plot());
}

void ViewController::pdfExported(bool written, const QString& fileName, const QString& message) {
    report(written ? "Exported the map to " + fileName + "."
                   : message[0].toUpper() + message.mid(1) + ".");
}

void ViewController::openPreferences() {
    // The spacing of the file chosen, known before any plot.
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    const bool plotted =
        shown && QString::fromStdString(shown->provenance.input) == chooser_->file();
    const double spacing = plotted ? shown->provenance.deltat : chosenSpacing();
    const QString named =
        plotted ? QString::fromStdString(shown->provenance.positionName) : positionTitle();
    PreferencesDialog dialog(this, spacing,
                             recordUnits.position.isEmpty() ? named : recordUnits.position);
    if (dialog.exec() == QDialog::Accepted)
        preferencesAccepted();
}

void ViewController::preferencesAccepted() {
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!shown || sharedPlot->isRunning())
        return;
    const series::Preparation p = Preferences::preparation();
    if (shown->provenance.preparation != (p.any() ? p.describe() : std::string()))
        setupPlot();
}

void ViewController::showGuide() {
    auto* guide = findChild<GuideDialog*>();
    if (!guide)
        guide = new GuideDialog(this);
    guide->show();
    guide->raise();
}

void ViewController::showCredits() {
    auto* credits = findChild<ViewControllerCredits*>();
    if (!credits)
        credits = new ViewControllerCredits(this);
    credits->show();
    credits->raise();
}
