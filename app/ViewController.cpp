#include "ViewController.h"

#include "PlatformServices.h"
#include "Preferences.h"
#include "PreferencesDialog.h"
#include "QPlot.h"
#include "RunParameters.h"
#include "SeriesFile.h"
#include "ViewControllerAxisControls.h"
#include "ViewControllerCredits.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

QString describe(const QObject* object) {
    QString text;
    QDebug(&text).nospace() << object;
    return text;
}

} // namespace

ViewController::ViewController(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Tonalith");
    buildWindow();
    buildMenus();
    viewDidLoad();
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
    axisControlsButton = new QPushButton("Ranges...", central);
    axisControlsButton->setToolTip("Edit the ranges of the map (Ctrl+E)");
    printButton = new QPushButton("Export PDF...", central);
    actionRow->addWidget(significanceCheckBox);
    actionRow->addStretch(1);
    actionRow->addWidget(plotButton);
    actionRow->addWidget(axisControlsButton);
    actionRow->addWidget(printButton);
    column->addLayout(actionRow);

    boxView = new QFrame(central);
    boxView->setFrameShape(QFrame::StyledPanel);
    boxView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    column->addWidget(boxView, 1);
    setCentralWidget(central);

    progressIndicator = new QProgressBar(this);
    progressIndicator->setRange(0, 1000);
    progressIndicator->setTextVisible(false);
    progressIndicator->setMaximumWidth(240);
    progressIndicator->hide();
    statusBar()->addPermanentWidget(progressIndicator);

    connect(chooseButton, &QPushButton::clicked, this, &ViewController::chooseFile);
    connect(plotButton, &QPushButton::clicked, this, &ViewController::setupPlot);
    connect(axisControlsButton, &QPushButton::clicked, this, &ViewController::openAxisControls);
    connect(printButton, &QPushButton::clicked, this, &ViewController::printImage);
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
    file->addAction("&Export PDF...", this, &ViewController::printImage,
                    QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    file->addAction("&Quit", qApp, &QApplication::closeAllWindows,
                    QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* analysisMenu = menuBar()->addMenu("&Analysis");
    analysisMenu->addAction("&Plot", this, &ViewController::setupPlot,
                            QKeySequence(Qt::CTRL | Qt::Key_R));
    analysisMenu->addAction("Axis &Ranges...", this, &ViewController::openAxisControls,
                            QKeySequence(Qt::CTRL | Qt::Key_E));
    analysisMenu->addAction("P&references...", this, &ViewController::openPreferences,
                            QKeySequence::Preferences);
    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&Credits", this, &ViewController::showCredits);
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
}

void ViewController::setRepresentedObject(const QVariant& object) {
    representedObject_ = object;
    Platform::say("did Set");
}

void ViewController::updateTitle(const QString& path) {
    setWindowTitle(path.isEmpty() ? "Tonalith" : "Tonalith \u2014 " + QFileInfo(path).fileName());
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
    const auto titles =
        series::columnTitles(series::titleLine(series::splitLines(*text)), skipHeaders);
    if (titles.empty()) {
        report(
            QString(
                "%1: the first line has fewer than two tab-separated fields, so there is no value "
                "column to offer.")
                .arg(name));
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
    // Analysing the positions as values is never what is wanted: with no column chosen yet,
    // offer the file's columns and take the first.
    if (dataColumnPopUp->currentIndex() < 0)
        fillColumnPopUp(path);
    const int column = dataColumnPopUp->currentIndex() + 1;
    const QString name = QFileInfo(path).fileName();
    if (column < 1) {
        Platform::say("cannot load inputData");
        report(
            QString(
                "%1 has no value column: its first line has fewer than two tab-separated fields.")
                .arg(name));
        return;
    }

    std::string why;
    const auto loaded = series::loadSeries(path.toStdString(), skip, column, &why);
    if (!loaded) {
        Platform::say("cannot load inputData");
        report(QString("Cannot load %1: %2.").arg(name, QString::fromStdString(why)));
        return;
    }
    if (loaded->xpos.empty()) {
        const auto text = series::readText(path.toStdString());
        report(QString("Not plotted: %1 has no data: %2.")
                   .arg(name, QString::fromStdString(
                                  series::explainEmptySeries(text ? *text : "", skip, column))));
        return;
    }
    if (const auto problem = analysis::checkSeries(*loaded)) {
        report(QString("Not plotted: %1: %2.").arg(name, QString::fromStdString(problem->text)));
        Platform::say("problem: " + QString::fromStdString(problem->text));
        return;
    }
    const analysis::SpacingReport spacing = analysis::checkSpacing(*loaded);
    pendingWarning_ =
        spacing.even ? QString() : "Warning: " + QString::fromStdString(spacing.text) + ".";
    if (!pendingWarning_.isEmpty())
        Platform::say(pendingWarning_);
    sharedPlot->runAnalysis(loaded->xpos, loaded->yval, plotSignificanceContours);
}

void ViewController::runStarted() {
    plotButton->setEnabled(false);
    report(pendingWarning_.isEmpty() ? "Analysing..." : "Analysing... " + pendingWarning_);
}

void ViewController::runFinished(bool shown, const QString& message) {
    plotButton->setEnabled(true);
    report(shown && !pendingWarning_.isEmpty() ? message + ". " + pendingWarning_ : message);
    pendingWarning_.clear();
}

// ---- export, ranges, preferences, credits --------------------------------------------------

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
    plotSetIntervals(plot, xmin, xmax, ymin, ymax, zmin, zmax);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yRight), zmin, zmax, 0);
    plotSetColorMap(plot, static_cast<int>(PlotCodes::QwtColorMap::rgb));
    plotRepaintAxis(plot, static_cast<int>(PlotCodes::AxisId::yRight));
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
