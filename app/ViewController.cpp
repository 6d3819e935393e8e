#include "ViewController.h"

#include "OutputFile.h"
#include "PlatformServices.h"
#include "Preferences.h"
#include "PreferencesDialog.h"
#include "QPlot.h"
#include "ResultFiles.h"
#include "RunParameters.h"
#include "SeriesFile.h"
#include "ViewControllerAxisControls.h"
#include "ViewControllerCredits.h"
#include "capacities.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
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

constexpr int recentFileCount = 10;

void pointerMoved(void* ctx, double x, double y) {
    static_cast<ViewController*>(ctx)->showReadout(x, y);
}
void pointerClicked(void* ctx, double x, double) {
    static_cast<ViewController*>(ctx)->selectWindowAt(x);
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

    spectrumArea = new QWidget(splitter);
    auto* spectrumLayout = new QHBoxLayout(spectrumArea);
    spectrumLayout->setContentsMargins(0, 0, 0, 0);
    spectrumPanel = windowPanelCreate(spectrumArea);
    spectrumLayout->addWidget(reinterpret_cast<QWidget*>(spectrumPanel), 3);
    auto* peaksBox = new QVBoxLayout();
    auto* levelRow = new QHBoxLayout();
    peakLevel = new QDoubleSpinBox(spectrumArea);
    peakLevel->setRange(0.5, 1.0);
    peakLevel->setDecimals(3);
    peakLevel->setSingleStep(0.01);
    peakLevel->setValue(0.95);
    peakLevel->setToolTip(
        "Lines: frequencies whose F-test probability reaches this level and is a local maximum");
    levelRow->addWidget(new QLabel("Lines at probability", spectrumArea));
    levelRow->addWidget(peakLevel);
    peaksBox->addLayout(levelRow);
    peakTable = new QTableWidget(0, 4, spectrumArea);
    peakTable->setHorizontalHeaderLabels({"Frequency", "Period", "Amplitude", "Probability"});
    peakTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    peakTable->verticalHeader()->hide();
    peakTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    peaksBox->addWidget(peakTable, 1);
    auto* peakButtons = new QHBoxLayout();
    auto* copy = new QPushButton("Copy", spectrumArea);
    copy->setToolTip("Copy the lines as tab-separated text (Ctrl+Shift+C)");
    auto* save = new QPushButton("Export TSV...", spectrumArea);
    peakButtons->addWidget(copy);
    peakButtons->addWidget(save);
    peaksBox->addLayout(peakButtons);
    spectrumLayout->addLayout(peaksBox, 2);
    spectrumArea->hide();
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 5);
    splitter->setStretchFactor(2, 3);
    column->addWidget(splitter, 1);
    setCentralWidget(central);

    readoutLabel = new QLabel(this);
    readoutLabel->setObjectName("readout");
    statusBar()->addPermanentWidget(readoutLabel);
    progressIndicator = new QProgressBar(this);
    progressIndicator->setRange(0, 1000);
    progressIndicator->setTextVisible(false);
    progressIndicator->setMaximumWidth(240);
    progressIndicator->hide();
    statusBar()->addPermanentWidget(progressIndicator);

    connect(chooseButton, &QPushButton::clicked, this, &ViewController::chooseFile);
    connect(plotButton, &QPushButton::clicked, this, &ViewController::plotOrStop);
    connect(axisControlsButton, &QPushButton::clicked, this, &ViewController::openAxisControls);
    connect(printButton, &QPushButton::clicked, this, &ViewController::printImage);
    connect(copy, &QPushButton::clicked, this, &ViewController::copyPeakList);
    connect(save, &QPushButton::clicked, this, &ViewController::exportPeakList);
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &ViewController::updatePeakList);
    connect(skipHeadersCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        skipHeaders = on;
        skipHeaderRows->setEnabled(on);
    });
    connect(significanceCheckBox, &QCheckBox::toggled, this,
            [this](bool on) { plotSignificanceContours = on; });
    resize(1200, 800);
}

void ViewController::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", this, &ViewController::chooseFile, QKeySequence::Open);
    recentMenu = file->addMenu("Open &Recent");
    file->addSeparator();
    file->addAction("Export &Results...", this, &ViewController::exportResults,
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addAction("Export &Map...", this, &ViewController::exportMap,
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
    analysisMenu->addAction("&Copy Lines of the Window", this, &ViewController::copyPeakList,
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    analysisMenu->addAction("E&xport Lines of the Window...", this, &ViewController::exportPeakList,
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    analysisMenu->addSeparator();
    analysisMenu->addAction("P&references...", this, &ViewController::openPreferences,
                            QKeySequence(Qt::CTRL | Qt::Key_Comma));

    QMenu* view = menuBar()->addMenu("&View");
    showSeriesAction = view->addAction("&Series Above the Map");
    showSeriesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    showSpectrumAction = view->addAction("Spectrum of the &Window");
    showSpectrumAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    view->addSeparator();
    periodAxisAction = view->addAction("Frequency Axis in &Periods");
    periodAxisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
    logAxisAction = view->addAction("&Logarithmic Frequency Axis");
    logAxisAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_4));
    for (QAction* a : {showSeriesAction, showSpectrumAction, periodAxisAction, logAxisAction})
        a->setCheckable(true);
    connect(showSeriesAction, &QAction::toggled, seriesArea, &QWidget::setVisible);
    connect(showSpectrumAction, &QAction::toggled, spectrumArea, &QWidget::setVisible);
    connect(periodAxisAction, &QAction::toggled, this, &ViewController::updateFrequencyAxis);
    connect(logAxisAction, &QAction::toggled, this, &ViewController::updateFrequencyAxis);

    QMenu* help = menuBar()->addMenu("&Help");
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
    statusBar()->showMessage(message);
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
    if (settings.contains("window/splitter"))
        splitter->restoreState(settings.value("window/splitter").toByteArray());
    rebuildRecentMenu();
}

void ViewController::closeEvent(QCloseEvent* event) {
    QSettings settings;
    settings.setValue("window/geometry", saveGeometry());
    settings.setValue("window/splitter", splitter->saveState());
    settings.setValue("view/series", showSeriesAction->isChecked());
    settings.setValue("view/spectrum", showSpectrumAction->isChecked());
    settings.setValue("view/periods", periodAxisAction->isChecked());
    settings.setValue("view/logarithmic", logAxisAction->isChecked());
    if (sharedPlot)
        sharedPlot->cancel();
    QMainWindow::closeEvent(event);
}

QStringList ViewController::recentFiles() const {
    return QSettings().value("recentFiles").toStringList();
}

void ViewController::addRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > recentFileCount)
        files.removeLast();
    QSettings().setValue("recentFiles", files);
    rebuildRecentMenu();
}

void ViewController::rebuildRecentMenu() {
    recentMenu->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* a = recentMenu->addAction(
            QString("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { chooseFileAt(path); });
    }
    if (!files.isEmpty()) {
        recentMenu->addSeparator();
        recentMenu->addAction("Clear Menu", this, [this] {
            QSettings().remove("recentFiles");
            rebuildRecentMenu();
        });
    }
    recentMenu->setEnabled(!files.isEmpty());
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
    const QString path = Platform::chooseOpenFile(
        this, "Select Text File", "Text files (*.txt *.tab *.TXT *.TAB *.csv *.CSV *.tsv *.TSV)");
    if (path.isEmpty()) {
        Platform::say("file selection was canceled");
        report("File selection was canceled.");
        return;
    }
    chooseFileAt(path);
}

bool ViewController::chooseFileAt(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())
                         .adjusted(QUrl::NormalizePathSegments);
    inputFileBox->setText(url.toString());
    Platform::say("file selected: " + url.toLocalFile());
    updateTitle(url.toLocalFile());
    setRepresentedObject(url);

    std::string why;
    const auto text = series::readText(url.toLocalFile().toStdString(), &why);
    const QString name = QFileInfo(path).fileName();
    if (!text) {
        report(QString("Cannot read %1: %2.").arg(name, QString::fromStdString(why)));
        return false;
    }
    addRecentFile(url.toLocalFile());
    const auto titles =
        series::columnTitles(series::titleLine(series::splitLines(*text)), skipHeaders);
    if (titles.empty()) {
        report(QString("%1 offers no value column: %2.")
                   .arg(name, QString::fromStdString(series::explainEmptySeries(*text, 0, 1))));
        return false;
    }
    dataColumnPopUp->clear();
    for (const std::string& title : titles)
        dataColumnPopUp->addItem(QString::fromStdString(title));
    dataColumnPopUp->setCurrentIndex(0);
    report(QString("%1: %2 value column%3. Choose one and press Plot.")
               .arg(name)
               .arg(titles.size())
               .arg(titles.size() == 1 ? "" : "s"));
    return true;
}

void ViewController::fillColumnPopUp(const QString& path) {
    const auto text = series::readText(path.toStdString());
    if (!text)
        return;
    const auto titles =
        series::columnTitles(series::titleLine(series::splitLines(*text)), skipHeaders);
    dataColumnPopUp->clear();
    for (const std::string& title : titles)
        dataColumnPopUp->addItem(QString::fromStdString(title));
    if (!titles.empty())
        dataColumnPopUp->setCurrentIndex(0);
}

QUrl ViewController::sampleDataFile() const {
    const QString path = Platform::resourcePath("etp.txt");
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

// ---- the run -------------------------------------------------------------------------------

void ViewController::plotOrStop() {
    if (sharedPlot && sharedPlot->isRunning()) {
        sharedPlot->cancel();
        report("Stopping at the next window...");
        return;
    }
    setupPlot();
}

void ViewController::setupPlot() {
    if (sharedPlot && sharedPlot->isRunning())
        return;
    const QString text = inputFileBox->text().trimmed();
    QUrl url;
    if (text.startsWith("file:"))
        url = QUrl(text);
    else if (!text.isEmpty())
        url = QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath()); // a typed path
    if (!url.isValid() || !url.isLocalFile()) {
        url = sampleDataFile();
        if (!url.isValid()) {
            Platform::say("cannot load inputData");
            report("The sample data file etp.txt is missing from this installation; choose a data "
                   "file.");
            return;
        }
        dataColumnPopUp->clear(); // the sample's own columns are offered below
    }
    inputFileBox->setText(url.toString());
    const QString path = url.toLocalFile();
    updateTitle(path);

    const int skip = skipHeaders ? skipHeaderRows->value() : 0;
    std::string unreadable;
    if (!series::readText(path.toStdString(), &unreadable)) {
        Platform::say("cannot load inputData");
        report(QString("Cannot load %1: %2.")
                   .arg(QFileInfo(path).fileName(), QString::fromStdString(unreadable)));
        return;
    }
    // Analysing the positions as values is never what is wanted: with no column chosen yet,
    // offer the file's columns and take the first.
    if (dataColumnPopUp->currentIndex() < 0)
        fillColumnPopUp(path);
    const int column = dataColumnPopUp->currentIndex() + 1;
    const QString name = QFileInfo(path).fileName();
    if (column < 1) {
        Platform::say("cannot load inputData");
        const auto content = series::readText(path.toStdString());
        report(QString("Not plotted: %1 has no value column: %2.")
                   .arg(name, QString::fromStdString(
                                  series::explainEmptySeries(content ? *content : "", skip, 1))));
        return;
    }

    std::string why;
    auto loaded = series::loadSeries(path.toStdString(), skip, column, &why);
    if (!loaded) {
        Platform::say("cannot load inputData");
        report(QString("Cannot load %1: %2.").arg(name, QString::fromStdString(why)));
        return;
    }
    if (loaded->xpos.empty()) {
        const auto content = series::readText(path.toStdString());
        report(QString("Not plotted: %1 has no data: %2.")
                   .arg(name, QString::fromStdString(series::explainEmptySeries(
                                  content ? *content : "", skip, column))));
        return;
    }
    if (const auto problem = analysis::checkSeries(*loaded)) {
        report(QString("Not plotted: %1: %2.").arg(name, QString::fromStdString(problem->text)));
        return;
    }

    results::Provenance provenance;
    provenance.input = path.toStdString();
    provenance.column = column;
    provenance.columnName =
        skipHeaders ? dataColumnPopUp->currentText().toStdString() : std::string();
    provenance.skip = skip;
    const analysis::SpacingReport spacing = analysis::checkSpacing(*loaded);
    pendingWarning_.clear();
    if (!spacing.even && Preferences::read(Preferences::interpolateToEvenSpacing)) {
        const double step = series::medianSpacing(*loaded);
        const std::size_t before = loaded->xpos.size();
        const auto resampled = series::resampleEvenly(*loaded, step, engine::NMAX);
        if (!resampled) {
            report(QString("Not plotted: resampling %1 at its median spacing %2 would give %3 "
                           "samples; at most "
                           "%4 can be analysed.")
                       .arg(name, number(step), number(series::resampledCount(*loaded, step)))
                       .arg(engine::NMAX));
            return;
        }
        *loaded = *resampled;
        provenance.interpolation = "linear, to even spacing " + number(step).toStdString() +
                                   " (the median spacing), from " + std::to_string(before) +
                                   " unevenly spaced samples";
        pendingWarning_ =
            QString("Note: the positions are not evenly spaced (largest deviation %1); the series "
                    "was resampled linearly at the median spacing %2.")
                .arg(number(spacing.largestDeviation), number(step));
    } else if (!spacing.even) {
        pendingWarning_ = "Warning: " + QString::fromStdString(spacing.text) + ".";
    }
    if (!pendingWarning_.isEmpty())
        Platform::say(pendingWarning_);
    sharedPlot->setRunProvenance(provenance);
    sharedPlot->runAnalysis(loaded->xpos, loaded->yval, plotSignificanceContours);
}

void ViewController::runStarted() {
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
    showSeriesOfLastRun();
    updateFrequencyAxis();
    selectedWindow_ = -1;
    if (spectrumArea->isVisible())
        selectWindowAt(*axisRanges().xmin);
}

void ViewController::showSeriesOfLastRun() {
    const auto& result = sharedPlot->lastResult();
    if (!result)
        return;
    seriesSetData(seriesPlot, result->positions.data(), result->values.data(),
                  static_cast<int>(result->positions.size()));
    if (axisRanges().complete())
        seriesSetXRange(seriesPlot, *axisRanges().xmin, *axisRanges().xmax);
}

// ---- the map: readout, window spectrum, frequency axis ---------------------------------------

int ViewController::nearestWindow(double x) const {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!r || r->windows < 1)
        return -1;
    int best = 0;
    for (int w = 1; w < r->windows; ++w)
        if (std::fabs(r->centre(w) - x) < std::fabs(r->centre(best) - x))
            best = w;
    return best;
}

void ViewController::showReadout(double x, double y) {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    const int w = nearestWindow(x);
    if (!r || w < 0 || r->bins < 1) {
        readoutLabel->clear();
        return;
    }
    int bin = 0;
    for (int i = 1; i < r->bins; ++i)
        if (std::fabs(r->frequency(i) - y) < std::fabs(r->frequency(bin) - y))
            bin = i;
    // Outside the map by more than half a cell: nothing to read.
    const double dx = r->windows > 1 ? std::fabs(r->centre(1) - r->centre(0)) / 2 : 0;
    const double dy = r->bins > 1 ? std::fabs(r->frequency(1) - r->frequency(0)) / 2 : 0;
    if (std::fabs(x - r->centre(w)) > dx + 1e-12 * std::fabs(x) ||
        std::fabs(y - r->frequency(bin)) > dy + 1e-15) {
        readoutLabel->clear();
        return;
    }
    const double f = r->frequency(bin);
    const double p = r->prob[r->row(w, bin)];
    readoutLabel->setText(QString("x %1 | frequency %2 | period %3 | amplitude %4 | probability %5")
                              .arg(number(x), number(f),
                                   f > 0 ? number(1 / f) : QString::fromUtf8("\u221e"),
                                   number(r->ampl[r->row(w, bin)]), p > 1 ? "n/a" : number(p)));
}

void ViewController::selectWindowAt(double x) {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    const int w = nearestWindow(x);
    if (!r || w < 0)
        return;
    selectedWindow_ = w;
    std::vector<double> f(r->bins), a(r->bins), p(r->bins);
    for (int i = 0; i < r->bins; ++i) {
        f[i] = r->frequency(i);
        a[i] = r->ampl[r->row(w, i)];
        p[i] = r->prob[r->row(w, i)];
    }
    const QString title = QString("Window %1 of %2, centred at %3")
                              .arg(w + 1)
                              .arg(r->windows)
                              .arg(number(r->centre(w)));
    windowPanelSetData(spectrumPanel, f.data(), a.data(), p.data(), r->bins,
                       title.toUtf8().constData());
    showSpectrumAction->setChecked(true);
    updatePeakList();
}

void ViewController::updatePeakList() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    peakTable->setRowCount(0);
    if (!r || selectedWindow_ < 0 || selectedWindow_ >= r->windows)
        return;
    const auto peaks = results::findPeaks(*r, selectedWindow_, peakLevel->value());
    peakTable->setRowCount(static_cast<int>(peaks.size()));
    for (int i = 0; i < static_cast<int>(peaks.size()); ++i) {
        const results::Peak& k = peaks[static_cast<std::size_t>(i)];
        const double values[] = {k.frequency, k.period, k.amplitude, k.probability};
        for (int c = 0; c < 4; ++c)
            peakTable->setItem(i, c, new QTableWidgetItem(number(values[c])));
    }
}

void ViewController::copyPeakList() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!r || selectedWindow_ < 0) {
        report("No window is selected: click the map to choose one.");
        return;
    }
    std::string text = "x_centre\tfrequency\tperiod\tamplitude\tprobability\n";
    for (const results::Peak& k : results::findPeaks(*r, selectedWindow_, peakLevel->value())) {
        for (double v : {k.centre, k.frequency, k.period, k.amplitude}) {
            results::appendNumber(text, v);
            text.push_back('\t');
        }
        results::appendNumber(text, k.probability);
        text.push_back('\n');
    }
    QApplication::clipboard()->setText(QString::fromStdString(text));
    report(QString("Copied the lines of window %1.").arg(selectedWindow_ + 1));
}

void ViewController::exportPeakList() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!r || selectedWindow_ < 0) {
        report("No window is selected: click the map to choose one.");
        return;
    }
    const QString path = Platform::chooseSaveFile(this, "Export Lines of the Window", "lines.tsv",
                                                  "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    results::ResultSet one = *r; // the chosen window alone
    const int w = selectedWindow_;
    auto slice = [&](const std::vector<double>& v) {
        return std::vector<double>(v.begin() + static_cast<long>(one.row(w, 0)),
                                   v.begin() + static_cast<long>(one.row(w, 0) + r->bins));
    };
    one.xcent = slice(r->xcent);
    one.freq = slice(r->freq);
    one.ampl = slice(r->ampl);
    one.prob = slice(r->prob);
    one.windows = 1;
    results::OutputFile out;
    std::string why;
    if (!out.open(path.toStdString(), &why) ||
        !results::writePeaks(out, one, peakLevel->value(), results::Separator::Tab) ||
        !out.commit(&why)) {
        report(QString::fromStdString(why.empty() ? "Cannot write " + path.toStdString() : why) +
               ".");
        return;
    }
    report("Exported the lines of window " + QString::number(w + 1) + " to " + path + ".");
}

void ViewController::updateFrequencyAxis() {
    if (!sharedPlot)
        return;
    Plot* plot = sharedPlot->plot();
    const bool logarithmic = logAxisAction->isChecked();
    plotSetFrequencyAxis(plot, periodAxisAction->isChecked(), logarithmic);
    // A logarithmic axis starts at the lowest frequency above zero.
    const auto& r = sharedPlot->lastResult();
    if (r && axisRanges().complete()) {
        double low = *axisRanges().ymin;
        if (logarithmic && !(low > 0) && r->bins > 1)
            low = r->frequency(1);
        plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yLeft), low, *axisRanges().ymax,
                         0);
        plotSetColorMap(plot, static_cast<int>(PlotCodes::QwtColorMap::rgb));
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

void ViewController::exportResults() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!r) {
        report("There are no results to export yet: press Plot first.");
        return;
    }
    const QStringList filters = {
        "Result rows, tab-separated (*.tsv)", "Result rows, comma-separated (*.csv)",
        "Grids for R, tab-separated (*.tsv)", "Grids for R, comma-separated (*.csv)"};
    QString chosen = filters[0];
    QString path = Platform::chooseSaveFile(this, "Export Results", "results.tsv",
                                            filters.join(";;"), &chosen);
    if (path.isEmpty())
        return;
    const bool comma = chosen.contains("comma");
    const QString extension = comma ? "csv" : "tsv";
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + extension;
    const results::Separator sep = comma ? results::Separator::Comma : results::Separator::Tab;
    QStringList written;
    auto write = [&](const QString& file, const std::function<bool(results::OutputFile&)>& body) {
        results::OutputFile out;
        std::string why;
        if (!out.open(file.toStdString(), &why) || !body(out) || !out.commit(&why)) {
            report(
                QString::fromStdString(why.empty() ? "Cannot write " + file.toStdString() : why) +
                ".");
            return false;
        }
        written << file;
        return true;
    };
    if (chosen.startsWith("Grids")) {
        const QFileInfo info(path);
        const QString base = info.absolutePath() + "/" + info.completeBaseName();
        if (!write(base + "-amplitude." + extension,
                   [&](results::OutputFile& out) {
                       return results::writeGrid(out, *r, results::GridOf::Amplitude, sep);
                   }) ||
            !write(base + "-probability." + extension, [&](results::OutputFile& out) {
                return results::writeGrid(out, *r, results::GridOf::Probability, sep);
            }))
            return;
    } else if (!write(path,
                      [&](results::OutputFile& out) { return results::writeRows(out, *r, sep); })) {
        return;
    }
    report("Exported the results to " + written.join(" and ") + ".");
}

void ViewController::exportMap() {
    if (!sharedPlot)
        return;
    const QStringList filters = {"PDF document, A4 landscape (*.pdf)", "PNG image (*.png)",
                                 "SVG drawing (*.svg)"};
    QString chosen = filters[0];
    QString path =
        Platform::chooseSaveFile(this, "Export Map", "Tonalith.pdf", filters.join(";;"), &chosen);
    if (path.isEmpty())
        return;
    const QString extension = chosen.startsWith("PNG")   ? "png"
                              : chosen.startsWith("SVG") ? "svg"
                                                         : "pdf";
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + extension;
    // PNG at the size on screen; SVG at that size in millimetres at 96 dots per inch; PDF A4.
    const QWidget* plot = sharedPlot->widget();
    double width = 0, height = 0;
    if (extension == "png") {
        width = plot->width() * plot->devicePixelRatioF();
        height = plot->height() * plot->devicePixelRatioF();
    } else if (extension == "svg") {
        width = plot->width() * 25.4 / 96;
        height = plot->height() * 25.4 / 96;
    }
    char message[512] = "";
    if (plotWriteFigure(sharedPlot->plot(), path.toUtf8().constData(), width, height, message,
                        sizeof message))
        report("Exported the map to " + path + ".");
    else
        report("Cannot write the map " + path + ": " + QString::fromUtf8(message) + ".");
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
    double low = ymin;
    const auto& r = sharedPlot->lastResult();
    if (logAxisAction->isChecked() && !(low > 0) && r && r->bins > 1)
        low = r->frequency(1); // a logarithmic axis starts above zero
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::xBottom), xmin, xmax, 0);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yLeft), low, ymax, 0);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yRight), zmin, zmax, 0);
    plotSetColorMap(plot, static_cast<int>(PlotCodes::QwtColorMap::rgb));
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
    PreferencesDialog dialog(this);
    dialog.exec();
}

void ViewController::showCredits() {
    auto* credits = findChild<ViewControllerCredits*>();
    if (!credits)
        credits = new ViewControllerCredits(this);
    credits->show();
    credits->raise();
}
