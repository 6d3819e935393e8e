#include "app/ViewController.h"

#include "app/AgeModelPanel.h"
#include "app/GuideDialog.h"
#include "app/LineTracing.h"
#include "app/MapChoices.h"
#include "app/PlatformServices.h"
#include "app/Preferences.h"
#include "app/PreferencesDialog.h"
#include "app/QPlot.h"
#include "app/RecentFiles.h"
#include "app/ResultExports.h"
#include "app/TargetPeriods.h"
#include "app/UnevenSpacingDialog.h"
#include "app/ViewControllerAxisControls.h"
#include "app/ViewControllerCredits.h"
#include "app/WholeRecordPanel.h"
#include "app/WindowDetail.h"
#include "core/analysis/RunPreparation.h"
#include "core/io/AtomicFile.h"
#include "core/series/SeriesFile.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString describe(const QObject* object) {
    QString text;
    QDebug(&text).nospace() << object;
    return text;
}

QString number(double v) {
    return QLocale::c().toString(v, 'g', 6);
}

void pointerMoved(void* ctx, double x, double y) {
    static_cast<ViewController*>(ctx)->windowDetail->showReadout(x, y);
}
void pointerClicked(void* ctx, double x, double y) {
    static_cast<ViewController*>(ctx)->mapClicked(x, y);
}
void traceDragged(void* ctx, int index, double f) {
    static_cast<LineTracing*>(ctx)->pointDragged(index, f);
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
    if (sharedPlot && sharedPlot->parent() == this)
        sharedPlot = nullptr;
}

void ViewController::buildWindow() {
    setWindowTitle("Tonalith");
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);

    auto* fileRow = new QHBoxLayout();
    chooseButton = new QPushButton("Choose...", central);
    chooseButton->setToolTip(
        "Choose a data file (Ctrl+O); a file can also be dropped on the window");
    inputFileBox = new QLineEdit(central);
    inputFileBox->setPlaceholderText("A data file (the sample etp.txt when empty)");
    dataColumnPopUp = new QComboBox(central);
    dataColumnPopUp->setMinimumContentsLength(14);
    skipHeadersCheckBox = new QCheckBox("Skip", central);
    skipHeadersCheckBox->setToolTip(
        "Skip header lines at the top of the file; the first line names the columns");
    skipHeaderRows = new QSpinBox(central);
    skipHeaderRows->setRange(0, 1000000);
    skipHeaderRows->setValue(skippedHeadersValue);
    skipHeaderRows->setToolTip("Number of header lines to skip");
    fileRow->addWidget(chooseButton);
    fileRow->addWidget(inputFileBox, 1);
    fileRow->addWidget(new QLabel("Column", central));
    fileRow->addWidget(dataColumnPopUp);
    fileRow->addWidget(skipHeadersCheckBox);
    fileRow->addWidget(skipHeaderRows);
    column->addLayout(fileRow);

    auto* actionRow = new QHBoxLayout();
    significanceCheckBox = new QCheckBox("Significance contours", central);
    significanceCheckBox->setToolTip(
        "Contour lines of the F-test probability at 0.8, 0.9, 0.95 and 0.99");
    plotButton = new QPushButton("Plot", central);
    plotButton->setDefault(true);
    plotButton->setToolTip(
        "Analyse the chosen column and draw the map (Ctrl+R); Stop while it runs");
    axisControlsButton = new QPushButton("Ranges...", central);
    axisControlsButton->setToolTip("Edit the ranges of the map (Ctrl+E)");
    printButton = new QPushButton("Export PDF...", central);
    printButton->setToolTip("The map as an A4 landscape PDF (Ctrl+P)");
    actionRow->addWidget(significanceCheckBox);
    actionRow->addStretch(1);
    actionRow->addWidget(plotButton);
    actionRow->addWidget(axisControlsButton);
    actionRow->addWidget(printButton);
    column->addLayout(actionRow);

    splitter = new QSplitter(Qt::Vertical, central);
    splitter->setObjectName("mapSplitter");
    seriesArea = new QWidget(splitter);
    auto* seriesLayout = new QVBoxLayout(seriesArea);
    seriesLayout->setContentsMargins(0, 0, 0, 0);
    seriesPlot = seriesCreate(seriesArea);
    seriesLayout->addWidget(reinterpret_cast<QWidget*>(seriesPlot));
    seriesArea->hide();

    boxView = new QFrame(splitter);
    boxView->setFrameShape(QFrame::StyledPanel);
    boxView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    windowDetail = new WindowDetail(splitter);
    spectrumArea = windowDetail;
    spectrumPanel = windowDetail->spectrumPanel;
    peakTable = windowDetail->peakTable;
    peakLevel = windowDetail->peakLevel;
    spectrumArea->hide();
    wholeRecord = new WholeRecordPanel(splitter);
    wholeRecord->hide();
    // The map keeps most of the height, even at 800 x 600 with every panel shown.
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 6);
    splitter->setStretchFactor(2, 2);
    splitter->setStretchFactor(3, 2);
    seriesArea->setMaximumHeight(180);
    boxView->setMinimumHeight(240);
    column->addWidget(splitter, 1);
    setCentralWidget(central);

    readoutLabel = windowDetail->readoutLabel;
    statusBar()->addPermanentWidget(readoutLabel);
    progressIndicator = new QProgressBar(this);
    progressIndicator->setRange(0, 1000);
    progressIndicator->setTextVisible(false);
    progressIndicator->setMaximumWidth(240);
    progressIndicator->hide();
    statusBar()->addPermanentWidget(progressIndicator);

    connect(chooseButton, &QPushButton::clicked, this, &ViewController::chooseFile);
    // A path typed into the box brings its own columns as soon as it is entered.
    connect(inputFileBox, &QLineEdit::editingFinished, this, [this] {
        const QString path = pathInBox();
        if (!path.isEmpty() && path != columnsOf_)
            chooseFileAt(path);
    });
    connect(plotButton, &QPushButton::clicked, this, &ViewController::plotOrStop);
    connect(axisControlsButton, &QPushButton::clicked, this, &ViewController::openAxisControls);
    connect(printButton, &QPushButton::clicked, this, &ViewController::printImage);
    connect(windowDetail, &WindowDetail::message, this, &ViewController::report);
    connect(wholeRecord, &WholeRecordPanel::message, this, &ViewController::report);
    exports = new ResultExports(this);
    connect(exports, &ResultExports::message, this, &ViewController::report);
    connect(dataColumnPopUp, QOverload<int>::of(&QComboBox::activated), this,
            [this] { previewSeries(); });
    connect(skipHeadersCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        skipHeaders = on;
        skipHeaderRows->setEnabled(on);
    });
    connect(significanceCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        plotSignificanceContours = on;
        if (sharedPlot)
            sharedPlot->setContoursShown(on); // the map shown follows at once
    });
    resize(1200, 800);
}

void ViewController::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", this, &ViewController::chooseFile, QKeySequence::Open);
    recentMenu = file->addMenu("Open &Recent");
    recent = new RecentFiles(recentMenu, this);
    connect(recent, &RecentFiles::chosen, this, &ViewController::chooseFileAt);
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
        "&Trace Line", this, [this] { tracing->arm(); }, QKeySequence(Qt::CTRL | Qt::Key_T));
    analysisMenu->addAction("&Save Trace...", this, &ViewController::saveTrace,
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    analysisMenu->addAction("&Open Trace...", this, &ViewController::openTrace,
                            QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T));
    ageModelAction = analysisMenu->addAction("&Age Model");
    ageModelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    ageModelAction->setCheckable(true);
    analysisMenu->addSeparator();
    analysisMenu->addAction("P&references...", this, &ViewController::openPreferences,
                            QKeySequence(Qt::CTRL | Qt::Key_Comma));

    QMenu* view = menuBar()->addMenu("&View");
    showSeriesAction = view->addAction("&Series Above the Map");
    showSeriesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    showSpectrumAction = view->addAction("Spectrum of the &Window");
    showSpectrumAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    targetPeriodsAction = view->addAction("&Target Periods");
    targetPeriodsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_9));
    targetPeriodsAction->setCheckable(true);
    showWholeRecordAction = view->addAction("Spectrum of the W&hole Record");
    showWholeRecordAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_8));
    showWholeRecordAction->setToolTip(
        "The whole record's multitaper spectrum with its red-noise background and levels");
    view->addSeparator();
    periodAxisAction = view->addAction("Frequency Axis in &Periods");
    periodAxisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
    logAxisAction = view->addAction("&Logarithmic Frequency Axis");
    logAxisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_4));
    for (QAction* a : {showSeriesAction, showSpectrumAction, showWholeRecordAction,
                       periodAxisAction, logAxisAction})
        a->setCheckable(true);
    connect(showWholeRecordAction, &QAction::toggled, wholeRecord, &QWidget::setVisible);
    connect(showSeriesAction, &QAction::toggled, seriesArea, &QWidget::setVisible);
    connect(showSpectrumAction, &QAction::toggled, spectrumArea, &QWidget::setVisible);
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
    connect(showTrendAction, &QAction::toggled, this, &ViewController::showSeriesOfLastRun);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Guide", this, &ViewController::showGuide,
                    QKeySequence(Qt::SHIFT | Qt::Key_F1));
    help->addAction("&Credits", this, &ViewController::showCredits, QKeySequence::HelpContents);
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
    embedPlot();
    buildTuning();
    seriesFollowPlot(seriesPlot, sharedPlot->plot());
    if (mapChoices)
        applyMapChoices();
}

void ViewController::buildTuning() {
    auto* column = qobject_cast<QVBoxLayout*>(centralWidget()->layout());
    Plot* plot = sharedPlot->plot();
    tracing = new LineTracing(centralWidget(), plot);
    tracing->hide();
    targets = new TargetPeriods(centralWidget(), plot);
    targets->hide();
    column->insertWidget(2, tracing);
    column->insertWidget(3, targets);
    ageModel = new AgeModelPanel(splitter);
    ageModel->hide();
    ageModel->setMaximumHeight(260); // the map keeps most of the height
    splitter->setStretchFactor(splitter->indexOf(ageModel), 2);
    ageModel->setPeriods(targets->periods());
    plotSetTraceDragCallback(plot, tracing, &traceDragged);
    connect(tracing, &LineTracing::message, this, &ViewController::report);
    connect(ageModel, &AgeModelPanel::message, this, &ViewController::report);
    connect(targets, &TargetPeriods::periodsChanged, this,
            [this] { ageModel->setPeriods(targets->periods()); });
    connect(tracing, &LineTracing::changed, this, [this] {
        ageModel->setTrace(sharedPlot->lastResult(), tracing->points());
        markSelectedWindow();
    });
    connect(ageModel, &AgeModelPanel::analyse, this, [this](const QString& path) {
        // The tuned series takes the record's place; the title names it.
        if (chooseFileAt(path))
            setupPlot();
    });
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), tracing,
            &LineTracing::setLevel);
    connect(targetPeriodsAction, &QAction::toggled, targets, &QWidget::setVisible);
    connect(ageModelAction, &QAction::toggled, ageModel, &QWidget::setVisible);
    QSettings settings;
    targetPeriodsAction->setChecked(settings.value("view/targets", false).toBool());
}

void ViewController::mapClicked(double x, double f) {
    if (tracing && tracing->mapClicked(x, f)) {
        ageModelAction->setChecked(true);
        return;
    }
    windowDetail->selectWindowAt(x);
}

void ViewController::saveTrace() {
    const std::string text = tracing ? tracing->text() : std::string();
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (text.empty() || !r) {
        report("There is no trace to save: Analysis > Trace Line, then click the map.");
        return;
    }
    const QString path = Platform::chooseSaveFile(
        this, "Save Trace",
        Platform::proposedExportPath("tuning", QString::fromStdString(r->provenance.input),
                                     "trace.tsv"),
        "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("tuning", path);
    io::AtomicFile out;
    std::string why;
    if (!out.open(path.toStdString(), &why) || !out.write(text) || !out.commit(&why))
        report(QString::fromStdString(why) + ".");
    else
        report("Saved the trace to " + path + ".");
}

void ViewController::openTrace() {
    const QString path =
        Platform::chooseOpenFile(this, "Open Trace", "Traces (*.tsv *.txt *.csv);;All files (*)",
                                 QFileInfo(columnsOf_).absolutePath());
    if (path.isEmpty())
        return;
    std::string why;
    const auto text = series::readText(path.toStdString(), &why);
    QString problem = QString::fromStdString(why);
    if (!text || !tracing->read(*text, &problem)) {
        report("Cannot use the trace " + QFileInfo(path).fileName() + ": " + problem + ".");
        return;
    }
    tracing->show();
    report("Opened the trace " + QFileInfo(path).fileName() + ".");
}

void ViewController::embedPlot() {
    if (!boxView) {
        Platform::say("problem");
        return;
    }
    auto* nativeHost = new QWidget(boxView);
    nativeHost->setObjectName("nativeHost");
    if (!sharedPlot)
        return;
    QWidget* plot = sharedPlot->widget();
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding, QSizePolicy::Frame);
    plot->setSizePolicy(policy);
    const QRect r(0, 0, boxView->width(), boxView->height());
    nativeHost->setGeometry(r);

    auto* vertical = new QVBoxLayout();
    vertical->setContentsMargins(0, 0, 0, 0);
    vertical->addWidget(plot);
    auto* horizontal = new QHBoxLayout();
    horizontal->setContentsMargins(0, 0, 0, 0);
    horizontal->addLayout(vertical, 0);
    plot->show();
    nativeHost->show();
    nativeHost->setLayout(horizontal);
    // The host fills the plot area and follows its size.
    auto* fill = new QVBoxLayout(boxView);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(nativeHost);
    Platform::say("window=" + describe(nativeHost->window()));

    plot->resize(r.size());
    nudgeWindow();
}

void ViewController::nudgeWindow() {
    // One relayout so that the embedded plot takes its final size.
    const QSize size = this->size();
    resize(size.width() + 1, size.height());
    resize(size);
}

QString ViewController::statusMessage() const {
    return statusBar()->currentMessage();
}

void ViewController::report(const QString& message) {
    // A newer message takes the place of the readout, and reads in full in the tooltip
    // however narrow the window.
    readoutLabel->clear();
    statusBar()->showMessage(message);
    statusBar()->setToolTip(message);
    Platform::say(message);
}

void ViewController::setRepresentedObject(const QVariant& object) {
    representedObject_ = object;
    Platform::say("did Set");
}

void ViewController::updateTitle(const QString& path) {
    setWindowTitle(path.isEmpty() ? "Tonalith" : "Tonalith \u2014 " + QFileInfo(path).fileName());
}

// ---- window state, recent files, drag and drop ---------------------------------------------

void ViewController::restoreWindowState() {
    QSettings settings;
    if (settings.contains("window/geometry"))
        restoreGeometry(settings.value("window/geometry").toByteArray());
    showSeriesAction->setChecked(settings.value("view/series", false).toBool());
    showSpectrumAction->setChecked(settings.value("view/spectrum", false).toBool());
    periodAxisAction->setChecked(settings.value("view/periods", false).toBool());
    logAxisAction->setChecked(settings.value("view/logarithmic", false).toBool());
    showTrendAction->setChecked(settings.value("view/trend", false).toBool());
    showWholeRecordAction->setChecked(settings.value("view/wholeRecord", false).toBool());
    if (settings.contains("window/splitter"))
        splitter->restoreState(settings.value("window/splitter").toByteArray());
}

void ViewController::closeEvent(QCloseEvent* event) {
    QSettings settings;
    settings.setValue("window/geometry", saveGeometry());
    settings.setValue("window/splitter", splitter->saveState());
    settings.setValue("view/series", showSeriesAction->isChecked());
    settings.setValue("view/spectrum", showSpectrumAction->isChecked());
    settings.setValue("view/periods", periodAxisAction->isChecked());
    settings.setValue("view/logarithmic", logAxisAction->isChecked());
    settings.setValue("view/trend", showTrendAction->isChecked());
    settings.setValue("view/wholeRecord", showWholeRecordAction->isChecked());
    settings.setValue("view/targets", targetPeriodsAction->isChecked());
    if (targets)
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

// ---- the data file and its columns ---------------------------------------------------------

void ViewController::chooseFile() {
    // The folder of the file chosen last, or of the one in the box.
    const QString current = !columnsOf_.isEmpty() ? columnsOf_ : pathInBox();
    const QString path = Platform::chooseOpenFile(
        this, "Select Text File",
        "Text files (*.txt *.tab *.TXT *.TAB *.csv *.CSV *.tsv *.TSV *.dat *.DAT);;All files (*)",
        current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
    if (path.isEmpty()) {
        Platform::say("file selection was canceled");
        report("File selection was canceled.");
        return;
    }
    chooseFileAt(path);
}

bool ViewController::chooseFileAt(const QString& path) {
    const QString local = QUrl(path).isLocalFile() ? QUrl(path).toLocalFile() : path;
    const QString file = QDir::cleanPath(QFileInfo(local).absoluteFilePath());
    const QUrl url = QUrl::fromLocalFile(file);
    inputFileBox->setText(file);
    Platform::say("file selected: " + file);
    updateTitle(file);
    setRepresentedObject(url);
    // Whatever happens below, the column pop-up no longer offers another file's columns.
    dataColumnPopUp->clear();
    columnsOf_ = file;

    std::string why;
    const auto text = series::readText(file.toStdString(), &why);
    const QString name = QFileInfo(file).fileName();
    if (!text) {
        report(QString("Cannot read %1: %2.").arg(name, QString::fromStdString(why)) +
               mapStillShows());
        return false;
    }
    recent->add(file);
    const auto titles =
        series::columnTitles(series::titleLine(series::splitLines(*text)), skipHeaders);
    if (titles.empty()) {
        report(QString("%1 offers no value column: %2.")
                   .arg(name, QString::fromStdString(series::explainEmptySeries(*text, 0, 1))) +
               mapStillShows());
        return false;
    }
    for (const std::string& title : titles)
        dataColumnPopUp->addItem(QString::fromStdString(title));
    dataColumnPopUp->setCurrentIndex(0);
    previewSeries();
    report(QString("%1: %2 value column%3. Choose one and press Plot.")
               .arg(name)
               .arg(titles.size())
               .arg(titles.size() == 1 ? "" : "s"));
    return true;
}

void ViewController::previewSeries() {
    if (columnsOf_.isEmpty() || dataColumnPopUp->currentIndex() < 0)
        return;
    std::string why;
    const auto text = series::readText(columnsOf_.toStdString(), &why);
    const auto s = text ? series::parseSeries(*text, skipHeaders ? skipHeaderRows->value() : 0,
                                              dataColumnPopUp->currentIndex() + 1, &why)
                        : std::nullopt;
    if (!s || s->xpos.size() < 2)
        return;
    trendShown_ = {};
    seriesSetData(seriesPlot, s->xpos.data(), s->yval.data(), static_cast<int>(s->xpos.size()));
    seriesSetOverlay(seriesPlot, nullptr, nullptr, 0);
    seriesSetSpan(seriesPlot, 1, 0);
    seriesSetTitle(seriesPlot, dataColumnPopUp->currentText().toUtf8().constData());
    const auto [lo, hi] = std::minmax_element(s->xpos.begin(), s->xpos.end());
    seriesSetXRange(seriesPlot, *lo, *hi);
}

QString ViewController::pathInBox() const {
    const QString text = inputFileBox->text().trimmed();
    if (text.isEmpty())
        return QString();
    const QString local = text.startsWith("file:") ? QUrl(text).toLocalFile() : text;
    return local.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(local).absoluteFilePath());
}

QString ViewController::mapStillShows() {
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!shown)
        return QString();
    // The title and the map go together: both name the file the map was made of.
    const QString file = QString::fromStdString(shown->provenance.input);
    updateTitle(file);
    return " The map still shows " + QFileInfo(file).fileName() + ".";
}

QUrl ViewController::sampleDataFile() const {
    const QString path = Platform::resourcePath("etp.txt");
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

// ---- the run -------------------------------------------------------------------------------

void ViewController::plotOrStop() {
    if (sharedPlot && sharedPlot->isRunning()) {
        if (runClock_.isValid() && runClock_.elapsed() < stopGuardMs)
            return; // the second click of a double click on Plot
        sharedPlot->cancel();
        report("Stopping at the next window...");
        return;
    }
    setupPlot();
}

void ViewController::setupPlot() {
    if (sharedPlot && sharedPlot->isRunning())
        return;
    QString path = pathInBox();
    if (path.isEmpty()) {
        const QUrl sample = sampleDataFile();
        if (!sample.isValid()) {
            Platform::say("cannot load inputData");
            report("The sample data file etp.txt is missing from this installation; choose a data "
                   "file.");
            return;
        }
        path = sample.toLocalFile();
    }
    // A path typed or pasted into the box: its own columns first.
    if (path != columnsOf_ && !chooseFileAt(path))
        return;
    inputFileBox->setText(path);
    updateTitle(path);

    const QString name = QFileInfo(path).fileName();
    analysis::RunRequest request;
    request.file = path.toStdString();
    request.skip = skipHeaders ? skipHeaderRows->value() : 0;
    // Analysing the positions as values is never what is wanted: with no column chosen yet,
    // the file's first value column is taken and its columns are offered.
    const bool columnChosen = dataColumnPopUp->currentIndex() >= 0;
    request.column = std::to_string(columnChosen ? dataColumnPopUp->currentIndex() + 1 : 1);
    request.interpolate = Preferences::read(Preferences::interpolateToEvenSpacing);
    request.interpolateStep = std::max(0.0, Preferences::read(Preferences::interpolationStep));
    request.params = Preferences::runParameters();
    request.preparation = Preferences::preparation();
    request.forMap = true;
    analysis::PreparedRun run = analysis::prepareRun(request);
    // Uneven positions without interpolation would be analysed on a wrong axis: ask first.
    if (!run.problem && !run.spacing.even && !request.interpolate) {
        const UnevenSpacingChoice choice =
            UnevenSpacingDialog::chooser()(this, name, QString::fromStdString(run.spacing.text),
                                           series::medianSpacing(run.series));
        if (!choice.interpolate) {
            report(QString("Not plotted: the positions of %1 are not evenly spaced; choose an "
                           "interpolation, or set one in Preferences.")
                       .arg(name));
            return;
        }
        if (choice.remember) {
            Preferences::store(Preferences::interpolateToEvenSpacing.name, true);
            Preferences::store(Preferences::interpolationStep.name, choice.step);
        }
        request.interpolate = true;
        request.interpolateStep = choice.step;
        run = analysis::prepareRun(request);
    }
    if (!columnChosen && !run.columnTitles.empty()) {
        for (const std::string& title : run.columnTitles)
            dataColumnPopUp->addItem(QString::fromStdString(title));
        dataColumnPopUp->setCurrentIndex(0);
    }
    if (const auto& problem = run.problem) {
        const QString text = QString::fromStdString(problem->text);
        QString message;
        using analysis::Parameter;
        switch (problem->parameter) {
        case Parameter::File:
            Platform::say("cannot load inputData");
            message = QString("Cannot load %1: %2.").arg(name, text);
            break;
        case Parameter::NoData:
            Platform::say("cannot load inputData");
            message = QString(columnChosen || !run.columnTitles.empty()
                                  ? "Not plotted: %1 has no data: %2."
                                  : "Not plotted: %1 has no value column: %2.")
                          .arg(name, text);
            break;
        case Parameter::Column:
        case Parameter::Series:
        case Parameter::Spacing:
        case Parameter::Interpolation:
        case Parameter::Preparation:
            message = QString("Not plotted: %1: %2.").arg(name, text);
            break;
        default:
            Platform::say("problem: " + text);
            message = "Not plotted: " + text + ".";
        }
        const auto& shown = sharedPlot->lastResult();
        report(shown && shown->provenance.input != request.file ? message + mapStillShows()
                                                                : message);
        return;
    }
    if (!skipHeaders)
        run.provenance.columnName.clear();

    pendingWarning_.clear();
    if (run.resampling.done)
        pendingWarning_ =
            QString("Note: the positions are not evenly spaced (largest deviation %1); the series "
                    "was resampled linearly at the %2 %3.")
                .arg(number(run.spacing.largestDeviation),
                     run.resampling.medianStep ? "median spacing" : "step",
                     number(run.resampling.step));
    else if (!run.spacing.even)
        pendingWarning_ = "Warning: " + QString::fromStdString(run.spacing.text) + ".";
    if (!pendingWarning_.isEmpty())
        Platform::say(pendingWarning_);
    trendOfRun_ = {};
    if (!run.trend.empty())
        trendOfRun_ = {run.series.xpos, std::move(run.fitted), std::move(run.trend)};
    sharedPlot->runAnalysis(run.series, run.provenance, plotSignificanceContours);
}

void ViewController::runStarted() {
    runClock_.start();
    plotButton->setText("Stop");
    plotAction->setText("&Stop");
    report(pendingWarning_.isEmpty() ? "Analysing..." : "Analysing... " + pendingWarning_);
}

void ViewController::runFinished(bool shown, const QString& message) {
    plotButton->setText("Plot");
    plotAction->setText("&Plot");
    report(shown && !pendingWarning_.isEmpty() ? message + ". " + pendingWarning_ : message);
    pendingWarning_.clear();
    if (!shown)
        return;
    trendShown_ = std::move(trendOfRun_);
    trendOfRun_ = {};
    showSeriesOfLastRun();
    updateFrequencyAxis();
    const double selected = selectedCentre_;
    windowDetail->setResult(sharedPlot->lastResult());
    wholeRecord->setResult(sharedPlot->lastResult(), peakLevel->value());
    tracing->setResult(sharedPlot->lastResult()); // a trace belongs to the map it was made on
    markSelectedWindow();
    // The window chosen before stays chosen when the new run has a window there.
    const auto& r = *sharedPlot->lastResult();
    const double halfStep =
        r.windows > 1 ? 0.5 * std::fabs(r.centre(1) - r.centre(0)) : std::fabs(selected);
    if (std::isfinite(selected) &&
        std::fabs(r.centre(windowDetail->nearestWindow(selected)) - selected) <= halfStep)
        windowDetail->selectWindowAt(selected);
    else if (spectrumArea->isVisible())
        windowDetail->selectWindowAt(*axisRanges().xmin);
}

void ViewController::showSeriesOfLastRun() {
    const auto& result = sharedPlot->lastResult();
    if (!result)
        return;
    seriesSetTitle(seriesPlot, result->provenance.columnName.empty()
                                   ? "Value"
                                   : result->provenance.columnName.c_str());
    const RemovedTrend& t = trendShown_;
    if (showTrendAction->isChecked() && !t.trend.empty()) {
        seriesSetData(seriesPlot, t.positions.data(), t.fitted.data(),
                      static_cast<int>(t.positions.size()));
        seriesSetOverlay(seriesPlot, t.positions.data(), t.trend.data(),
                         static_cast<int>(t.positions.size()));
    } else {
        seriesSetData(seriesPlot, result->positions.data(), result->values.data(),
                      static_cast<int>(result->positions.size()));
        seriesSetOverlay(seriesPlot, nullptr, nullptr, 0);
    }
    if (axisRanges().complete())
        seriesSetXRange(seriesPlot, *axisRanges().xmin, *axisRanges().xmax);
}

// ---- the map's frequency axis and display ---------------------------------------------------

void ViewController::markSelectedWindow() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    const int w = windowDetail->selectedWindow();
    if (!r || w < 0 || w >= r->windows) {
        selectedCentre_ = NAN;
        if (sharedPlot)
            plotMarkPosition(sharedPlot->plot(), 0, false);
        seriesSetSpan(seriesPlot, 1, 0);
        return;
    }
    selectedCentre_ = r->centre(w);
    const auto& trace = tracing ? tracing->points() : std::vector<tuning::TracePoint>();
    windowPanelSetMark(spectrumPanel, trace.empty() ? 0.0 : trace[w].frequency, !trace.empty());
    const double half = 0.5 * (r->provenance.params.mpts - 1) * r->provenance.deltat;
    plotMarkPosition(sharedPlot->plot(), selectedCentre_, true);
    seriesSetSpan(seriesPlot, selectedCentre_ - half, selectedCentre_ + half);
}

void ViewController::applyMapChoices() {
    if (!sharedPlot)
        return;
    MyPlot::MapDisplay d = mapChoices->display();
    d.fdr = windowDetail->lineRule().fdr;
    sharedPlot->setMapDisplay(d);
    seriesSetXReversed(seriesPlot, d.reverseX);
    if (!sharedPlot->lastGrids()) {
        // The placeholder keeps its own colours; the choices apply from the first map on.
        plotSetAxisReversed(sharedPlot->plot(), PLOT_X_BOTTOM, d.reverseX);
        return;
    }
    // A redraw puts the axes back at the whole map: the ranges the user set stay.
    if (axisRanges().complete())
        applyAxisRanges(*axisRanges().xmin, *axisRanges().xmax, *axisRanges().ymin,
                        *axisRanges().ymax, *axisRanges().zmin, *axisRanges().zmax);
    updateFrequencyAxis();
}

double ViewController::lowestResolved(double low) const {
    // Below the half-bandwidth W of the tapers a line cannot be told from the mean: a
    // logarithmic axis starts there, or at the lowest frequency above zero.
    const auto& r = sharedPlot->lastResult();
    if (!r || r->bins < 2)
        return low;
    const analysis::Provenance& p = r->provenance;
    const double halfBandwidth = p.params.tbw / (p.params.mpts * p.deltat);
    return std::max({low, r->frequency(1), halfBandwidth});
}

void ViewController::updateFrequencyAxis() {
    if (!sharedPlot)
        return;
    Plot* plot = sharedPlot->plot();
    const bool logarithmic = logAxisAction->isChecked();
    plotSetFrequencyAxis(plot, periodAxisAction->isChecked(), logarithmic);
    wholeRecord->setFrequencyAxis(periodAxisAction->isChecked(), logarithmic);
    windowPanelSetFrequencyAxis(spectrumPanel, periodAxisAction->isChecked(), logarithmic);
    const auto& r = sharedPlot->lastResult();
    if (r && axisRanges().complete()) {
        const double low = logarithmic ? lowestResolved(*axisRanges().ymin) : *axisRanges().ymin;
        plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yLeft), low, *axisRanges().ymax,
                         0);
        plotSetColorMap(plot, sharedPlot->mapDisplay().colorMap);
    }
}

// ---- exports, ranges, preferences, credits -------------------------------------------------

void ViewController::printImage() {
    if (sharedPlot)
        plotExportPdf(sharedPlot->plot());
}

void ViewController::pdfExported(bool written, const QString& fileName, const QString& message) {
    report(written ? "Exported the map to " + fileName + "."
                   : message[0].toUpper() + message.mid(1) + ".");
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

void ViewController::applyAxisRanges(double xmin, double xmax, double ymin, double ymax,
                                     double zmin, double zmax) {
    Plot* plot = sharedPlot->plot();
    // The data keep their positions: x and y choose what part of the map the axes show, z the
    // intensity range the colours span. (Giving the data new x and y intervals would move every
    // window and frequency to where it does not belong, and the contours would no longer match.)
    const std::array<double, 6> data = sharedPlot->intervals();
    plotSetIntervals(plot, data[0], data[1], data[2], data[3], zmin, zmax);
    const double low = logAxisAction->isChecked() ? lowestResolved(ymin) : ymin;
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::xBottom), xmin, xmax, 0);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yLeft), low, ymax, 0);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yRight), zmin, zmax, 0);
    plotSetColorMap(plot, sharedPlot->mapDisplay().colorMap);
    plotRepaintAxis(plot, static_cast<int>(PlotCodes::AxisId::yRight));
    seriesSetXRange(seriesPlot, xmin, xmax); // the series follows the map's horizontal range
    QStringList empty;
    if (!(xmin < xmax))
        empty << "Depth/Time";
    if (!(ymin < ymax))
        empty << "Frequency";
    if (!(zmin < zmax))
        empty << "Intensity";
    if (!empty.isEmpty())
        report("The " + empty.join(", ") +
               " range has its minimum at or above its maximum; the map may be empty.");
    centralWidget()->updateGeometry();
    nudgeWindow();
}

void ViewController::popoverDidClose(const QString& notification) {
    Platform::say(notification);
}

void ViewController::openPreferences() {
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    PreferencesDialog dialog(this, shown ? shown->provenance.deltat : 0.0,
                             shown ? QString::fromStdString(shown->provenance.positionName)
                                   : QString());
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
