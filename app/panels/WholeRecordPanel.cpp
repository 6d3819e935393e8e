#include "app/panels/WholeRecordPanel.h"

#include "app/files/WholeFile.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "core/analysis/RunParameters.h"
#include "core/results/ResultFiles.h"
#include "core/spectrum/WholeRecordFile.h"
#include "figures/ResultFigures.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <stdexcept>

WholeRecordPanel::WholeRecordPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    figure = wholeRecordFigureCreate(this);
    layout->addWidget(reinterpret_cast<QWidget*>(figure), 3);
    auto* side = new QVBoxLayout();
    auto* backgroundRow = new QHBoxLayout();
    background = new QComboBox(this);
    background->addItems({"AR(1)", "Robust AR(1)"});
    background->setToolTip("The red-noise background: AR(1) with the lag-one autocorrelation of "
                           "the series, or the robust fit of Mann and Lees (1996) to the power "
                           "median-smoothed over 20 % of the frequency range");
    backgroundRow->addWidget(new QLabel("Background", this));
    backgroundRow->addWidget(background, 1);
    side->addLayout(backgroundRow);
    auto* progressRow = new QHBoxLayout();
    progress = new QProgressBar(this);
    progress->setRange(0, 100);
    progress->setTextVisible(false);
    stop = new QPushButton("Stop", this);
    stop->setToolTip("Stop computing the spectrum of the whole record");
    progressRow->addWidget(progress, 1);
    progressRow->addWidget(stop);
    side->addLayout(progressRow);
    computing(false);
    side->addWidget(new QLabel("Lines above the F-test level and the 95 % level:", this));
    lineTable = new QTableWidget(0, 4, this);
    lineTable->setHorizontalHeaderLabels({"Frequency", "Period", "Amplitude", "Probability"});
    lineTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lineTable->verticalHeader()->hide();
    lineTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    side->addWidget(lineTable, 1);
    auto* buttons = new QHBoxLayout();
    auto* copy = new QPushButton("Copy", this);
    copy->setToolTip("Copy the lines as tab-separated text");
    auto* save = new QPushButton("Export TSV...", this);
    save->setToolTip("The lines with a header saying how they were found");
    buttons->addWidget(copy);
    buttons->addWidget(save);
    side->addLayout(buttons);
    layout->addLayout(side, 2);
    connect(copy, &QPushButton::clicked, this, &WholeRecordPanel::copyLines);
    connect(save, &QPushButton::clicked, this, &WholeRecordPanel::exportLines);
    connect(stop, &QPushButton::clicked, this, &WholeRecordPanel::stopComputing);
    connect(background, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &WholeRecordPanel::refitBackground);
}

WholeRecordPanel::~WholeRecordPanel() {
    if (control_)
        control_->cancel();
    job_.waitForFinished();
}

void WholeRecordPanel::setResult(std::shared_ptr<const results::ResultSet> result, double level) {
    const bool levelChanged = level != level_;
    result_ = std::move(result);
    level_ = level;
    if (isVisible() && (result_.get() != computedFor_ || levelChanged))
        compute();
}

void WholeRecordPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (result_ && result_.get() != computedFor_)
        compute();
}

namespace {

// The service's progress, shown in the panel while its computation is the current one.
class PanelControl : public service::RunControl {
public:
    explicit PanelControl(QPointer<QProgressBar> bar) : bar_(std::move(bar)) {}
    void progress(double percent) override {
        Platform::postToMainThread([bar = bar_, percent] {
            if (bar) {
                bar->setRange(0, 100);
                bar->setValue(static_cast<int>(percent));
            }
        });
    }

private:
    QPointer<QProgressBar> bar_;
};

} // namespace

void WholeRecordPanel::computing(bool on) {
    computing_ = on;
    progress->setVisible(on);
    stop->setVisible(on);
    if (on)
        progress->setRange(0, 0); // busy until the service reports
}

void WholeRecordPanel::stopComputing() {
    if (!computing_)
        return;
    control_->cancel();
    ++generation_; // whatever it still posts is not shown
    computedFor_ = nullptr;
    computing(false);
    emit message("Stopped the spectrum of the whole record; it is computed again when the panel "
                 "is shown or the map is drawn again.");
}

void WholeRecordPanel::refitBackground() {
    if (!spectrum_ || !result_ || computedFor_ != result_.get() || computing_) {
        if (isVisible()) // hidden, it is computed when shown
            compute();
        return;
    }
    const analysis::Provenance& p = result_->provenance;
    auto r = std::make_shared<spectrum::WholeRecord>(*spectrum_);
    try {
        spectrum::refitBackground(*r, backgroundKind(), p.deltat);
    } catch (const std::invalid_argument& e) {
        emit message(QString("The background could not be fitted: %1.").arg(e.what()));
        return;
    }
    show(r, QString(), generation_);
}

spectrum::BackgroundKind WholeRecordPanel::backgroundKind() const {
    return background->currentIndex() == 1 ? spectrum::BackgroundKind::Robust
                                           : spectrum::BackgroundKind::Ar1;
}

void WholeRecordPanel::compute() {
    if (!result_ || result_->positions.size() < 2)
        return;
    if (control_)
        control_->cancel(); // the spectrum of an older run is of no use
    control_ = std::make_shared<PanelControl>(progress);
    computing(true);
    const int generation = ++generation_;
    computedFor_ = result_.get();
    const analysis::Provenance& p = result_->provenance;
    spectrum::WholeRecordRequest q;
    q.tbw = p.params.tbw;
    q.tapers = p.params.tapers;
    q.nfft = analysis::wholeRecordTransformLength(static_cast<int>(result_->positions.size()));
    q.fmax = p.params.fmax; // the map's frequency range
    q.keepMean = !p.meanRemoved;
    q.windowDetrend = p.params.windowDetrend; // as the map's windows
    q.background = backgroundKind();
    QPointer<WholeRecordPanel> self(this);
    const auto result = result_;
    const auto control = control_;
    job_ = QtConcurrent::run([self, result, control, q, generation] {
        const series::Series s{result->positions, result->values, {}, {}};
        auto r = std::make_shared<spectrum::WholeRecord>();
        const service::RunOutcome outcome =
            service::analyseWholeRecord(s, result->provenance, q, *r, *control);
        if (outcome.end == service::RunEnd::Cancelled)
            return;
        const QString problem = QString::fromStdString(outcome.problem);
        Platform::postToMainThread([self, r, problem, generation] {
            if (self)
                self->show(r, problem, generation);
        });
    });
}

void WholeRecordPanel::show(std::shared_ptr<const spectrum::WholeRecord> s, const QString& problem,
                            int generation) {
    if (generation != generation_)
        return;
    computing(false);
    if (!problem.isEmpty()) {
        emit message("The spectrum of the whole record could not be computed: " + problem + ".");
        return;
    }
    spectrum_ = std::move(s);
    const spectrum::WholeRecord& r = *spectrum_;
    const spectrum::Background& b = r.background;
    const analysis::Provenance& p = result_->provenance;
    const QString title =
        QString("Whole record: %1 samples of %2, %3 background (rho %4)")
            .arg(p.samples)
            .arg(QFileInfo(QString::fromStdString(p.input)).fileName())
            .arg(b.kind == spectrum::BackgroundKind::Robust ? "robust AR(1)" : "AR(1)")
            .arg(displayNumberText(b.rho));
    figureShowWholeRecord(figure, r, level_, title.toStdString());
    const auto found = lines();
    lineTable->setRowCount(static_cast<int>(found.size()));
    for (int i = 0; i < static_cast<int>(found.size()); ++i) {
        const results::Peak& k = found[static_cast<std::size_t>(i)];
        const double values[] = {k.frequency, k.period, k.amplitude, k.probability};
        for (int c = 0; c < 4; ++c)
            lineTable->setItem(i, c, new QTableWidgetItem(displayNumberText(values[c])));
    }
    emit computed();
}

void WholeRecordPanel::setFrequencyAxis(bool periods, bool logarithmic) {
    wholeRecordFigureSetFrequencyAxis(figure, periods, logarithmic);
}

void WholeRecordPanel::setFrequencyUnit(const QString& unit) {
    wholeRecordFigureSetFrequencyUnit(figure, unit.toUtf8().constData());
}

std::vector<results::Peak> WholeRecordPanel::lines() const {
    if (!spectrum_)
        return {};
    const spectrum::WholeRecord& r = *spectrum_;
    // The record as one window: its lines, then those above the 95 % level as well.
    results::ResultSet one;
    one.windows = 1;
    one.bins = static_cast<int>(r.frequency.size());
    one.freq = r.frequency;
    one.ampl = r.amplitude;
    one.prob = r.probability;
    const double centre = 0.5 * (result_->positions.front() + result_->positions.back());
    one.xcent.assign(r.frequency.size(), centre);
    const std::vector<bool> pass = spectrum::passesBoth(r, level_);
    std::vector<results::Peak> kept;
    for (const results::Peak& k : results::findPeaks(one, 0, level_))
        for (std::size_t i = 0; i < r.frequency.size(); ++i)
            if (r.frequency[i] == k.frequency && pass[i])
                kept.push_back(k);
    return kept;
}

void WholeRecordPanel::copyLines() {
    if (!spectrum_) {
        emit message("No spectrum of the whole record yet: press Plot first.");
        return;
    }
    std::string text = results::peakTitles(results::Separator::Tab);
    results::appendPeaks(text, lines(), results::Separator::Tab);
    QApplication::clipboard()->setText(QString::fromStdString(text));
    emit message("Copied the lines of the whole record.");
}

void WholeRecordPanel::exportLines() {
    if (!spectrum_) {
        emit message("No spectrum of the whole record yet: press Plot first.");
        return;
    }
    const QString path = Platform::chooseSaveFile(
        this, "Export Lines of the Whole Record",
        Platform::proposedExportPath("lines", QString::fromStdString(result_->provenance.input),
                                     "whole-record-lines.tsv"),
        "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("lines", path);
    analysis::Provenance p = result_->provenance;
    p.params.window = p.samples;
    p.params.step = 1;
    p.params.nfft = analysis::wholeRecordTransformLength(p.samples);
    std::string text = spectrum::wholeRecordHeader(p, *spectrum_)
                           .line("lines", "F-test probability at least " +
                                              displayNumberText(level_).toStdString() +
                                              " and power above the 95 % level")
                           .text() +
                       results::peakTitles(results::Separator::Tab);
    results::appendPeaks(text, lines(), results::Separator::Tab);
    const QString why = writeWholeFile(path, text);
    if (!why.isEmpty()) {
        emit message(why + ".");
        return;
    }
    emit message("Exported the lines of the whole record to " + path + ".");
}
