#include "app/panels/WindowDetail.h"

#include "app/files/WholeFile.h"
#include "app/services/ElidedLabel.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "core/astro/CycleIdentity.h"
#include "core/results/ResultFiles.h"
#include "core/results/SignificanceLevels.h"
#include "core/text/NumberText.h"
#include "core/tuning/LineTrace.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

WindowDetail::WindowDetail(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    spectrumPanel = windowPanelCreate(this);
    layout->addWidget(reinterpret_cast<QWidget*>(spectrumPanel), 3);
    auto* peaksBox = new QVBoxLayout();
    auto* levelRow = new QHBoxLayout();
    peakLevel = new QDoubleSpinBox(this);
    peakLevel->setRange(0.5, 1.0);
    peakLevel->setDecimals(3);
    peakLevel->setSingleStep(0.01);
    peakLevel->setValue(results::defaultLineLevel);
    peakLevel->setToolTip(
        "Lines: frequencies whose F-test probability reaches this level and is a local maximum");
    levelRow->addWidget(new QLabel("Lines at probability", this));
    levelRow->addWidget(peakLevel);
    peaksBox->addLayout(levelRow);
    auto* fdrRow = new QHBoxLayout();
    controlFalseDiscoveries = new QCheckBox("Control false discoveries", this);
    controlFalseDiscoveries->setToolTip(
        "Keep only the bins the Benjamini-Hochberg procedure keeps at this false discovery rate "
        "over the window's tested bins; with View > Mask Below Level the map shows only them");
    falseDiscoveryRate = new QDoubleSpinBox(this);
    falseDiscoveryRate->setRange(0.001, 0.5);
    falseDiscoveryRate->setDecimals(3);
    falseDiscoveryRate->setSingleStep(0.01);
    falseDiscoveryRate->setValue(0.05);
    falseDiscoveryRate->setEnabled(false);
    fdrRow->addWidget(controlFalseDiscoveries);
    fdrRow->addWidget(falseDiscoveryRate);
    peaksBox->addLayout(fdrRow);
    chanceLabel = new QLabel(this);
    chanceLabel->setWordWrap(true);
    peaksBox->addWidget(chanceLabel);
    peakTable = new QTableWidget(0, 4, this);
    peakTable->setHorizontalHeaderLabels({"Frequency", "Period", "Amplitude", "Probability"});
    peakTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    peakTable->verticalHeader()->hide();
    peakTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    peaksBox->addWidget(peakTable, 1);
    auto* peakButtons = new QHBoxLayout();
    auto* copy = new QPushButton("Copy", this);
    copy->setToolTip("Copy the lines as tab-separated text (Ctrl+Shift+C)");
    auto* save = new QPushButton("Export TSV...", this);
    peakButtons->addWidget(copy);
    peakButtons->addWidget(save);
    peaksBox->addLayout(peakButtons);
    layout->addLayout(peaksBox, 2);

    readoutLabel = new ElidedLabel(this);
    readoutLabel->setObjectName("readout");

    connect(copy, &QPushButton::clicked, this, &WindowDetail::copyPeakList);
    connect(save, &QPushButton::clicked, this, &WindowDetail::exportPeakList);
    connect(peakLevel, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WindowDetail::updatePeakList);
    connect(falseDiscoveryRate, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this] {
        updatePeakList();
        emit lineRuleChanged();
    });
    connect(controlFalseDiscoveries, &QCheckBox::toggled, this, [this](bool on) {
        falseDiscoveryRate->setEnabled(on);
        updatePeakList();
        emit lineRuleChanged();
    });
}

results::LineRule WindowDetail::lineRule() const {
    // With the control on, the rate decides alone unless a level is asked above it.
    return {peakLevel->value(),
            controlFalseDiscoveries->isChecked() ? falseDiscoveryRate->value() : 0.0};
}

void WindowDetail::setResult(std::shared_ptr<const results::ResultSet> result) {
    result_ = std::move(result);
    selectedWindow_ = -1;
    readoutLabel->clear();
    updatePeakList();
}

void WindowDetail::setTestTrack(std::optional<TestTrack> track) {
    track_ = std::move(track);
    updatePeakList();
}

std::optional<results::PeakCycles> WindowDetail::cycles() const {
    if (!track_ || !result_ || selectedWindow_ < 0 || selectedWindow_ >= result_->windows)
        return std::nullopt;
    // Frequencies and the bandwidth in cycles per kyr at the track's rate here.
    const double centre = result_->centre(selectedWindow_);
    const double perKyr = track_->unitsPerKyr(centre);
    const double w = tuning::halfBandwidth(*result_) * perKyr;
    results::PeakCycles c;
    c.of = [perKyr, w, targets = track_->targets](const results::Peak& p) {
        return astro::cycleName(p.frequency * perKyr, w, targets);
    };
    c.note = "each line's astronomical cycle (e405, e100, o41, p23, p19 or none) at the "
             "evolutive astronomical test's identified rate, " +
             text::displayNumber(tuning::rateAt(track_->rates, centre)) + " cm/kyr at " +
             text::displayNumber(centre) + ", within the half-bandwidth " + text::displayNumber(w) +
             " cycles/kyr";
    return c;
}

int WindowDetail::nearestWindow(double x) const {
    const auto& r = result_;
    if (!r || r->windows < 1)
        return -1;
    int best = 0;
    for (int w = 1; w < r->windows; ++w)
        if (std::fabs(r->centre(w) - x) < std::fabs(r->centre(best) - x))
            best = w;
    return best;
}

void WindowDetail::showReadout(double x, double y) {
    const auto& r = result_;
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
    const QString unit = positionUnit.isEmpty() ? QString() : " " + positionUnit;
    const QString cycles = positionUnit.isEmpty() ? QString() : " cycles/" + positionUnit;
    readoutLabel->setText(
        QString("x %1 | frequency %2 | period %3 | amplitude %4 | probability %5")
            .arg(displayNumberText(x) + unit, displayNumberText(f) + cycles,
                 f > 0 ? displayNumberText(1 / f) + unit : QString::fromUtf8("\u221e"),
                 displayNumberText(r->ampl[r->row(w, bin)]), p > 1 ? "n/a" : displayNumberText(p)));
}

bool WindowDetail::keepWindowAt(double x) {
    const auto& r = result_;
    const int w = nearestWindow(x);
    if (!r || w < 0 || !std::isfinite(x))
        return false;
    const double halfStep =
        r->windows > 1 ? 0.5 * std::fabs(r->centre(1) - r->centre(0)) : std::fabs(x);
    if (std::fabs(r->centre(w) - x) > halfStep)
        return false;
    selectWindowAt(x);
    return true;
}

void WindowDetail::selectWindowAt(double x) {
    const auto& r = result_;
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
                              .arg(displayNumberText(r->centre(w)) +
                                   (positionUnit.isEmpty() ? QString() : " " + positionUnit));
    windowPanelSetData(spectrumPanel, f.data(), a.data(), p.data(), r->bins,
                       title.toUtf8().constData());
    updatePeakList();
    emit windowSelected();
}

std::vector<results::Peak> WindowDetail::peaks() const {
    if (!result_ || selectedWindow_ < 0 || selectedWindow_ >= result_->windows)
        return {};
    return results::findPeaks(*result_, selectedWindow_, lineRule());
}

void WindowDetail::updatePeakList() {
    const auto lines = peaks();
    chanceLabel->setText(result_ && selectedWindow_ >= 0
                             ? QString::fromStdString(results::lineRuleText(
                                   lineRule(), result_->provenance.params,
                                   results::testedBins(*result_, selectedWindow_)))
                             : QString());
    // The cycle column while the test's track names the lines.
    const auto named = cycles();
    peakTable->setColumnCount(named ? 5 : 4);
    if (named)
        peakTable->setHorizontalHeaderItem(4, new QTableWidgetItem("Cycle"));
    peakTable->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const results::Peak& k = lines[static_cast<std::size_t>(i)];
        const double values[] = {k.frequency, k.period, k.amplitude, k.probability};
        for (int c = 0; c < 4; ++c)
            peakTable->setItem(i, c, new QTableWidgetItem(displayNumberText(values[c])));
        if (named)
            peakTable->setItem(i, 4, new QTableWidgetItem(QString::fromStdString(named->of(k))));
    }
}

void WindowDetail::copyPeakList() {
    if (!result_ || selectedWindow_ < 0) {
        emit message("No window is selected: click the map to choose one.");
        return;
    }
    const auto named = cycles();
    std::string text = results::peakTitles(results::Separator::Tab, named.has_value());
    results::appendPeaks(text, peaks(), results::Separator::Tab, named ? &*named : nullptr);
    QApplication::clipboard()->setText(QString::fromStdString(text));
    emit message(QString("Copied the lines of window %1.").arg(selectedWindow_ + 1));
}

void WindowDetail::exportPeakList() {
    if (!result_ || selectedWindow_ < 0) {
        emit message("No window is selected: click the map to choose one.");
        return;
    }
    const QString path = Platform::chooseSaveFile(
        this, "Export Lines of the Window",
        Platform::proposedExportPath("lines", QString::fromStdString(result_->provenance.input),
                                     QString("window-%1-lines.tsv").arg(selectedWindow_ + 1)),
        "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("lines", path);
    const results::ResultSet& r = *result_;
    const int w = selectedWindow_;
    results::ResultSet one = r; // the chosen window alone
    auto slice = [&](const std::vector<double>& v) {
        return std::vector<double>(v.begin() + static_cast<long>(r.row(w, 0)),
                                   v.begin() + static_cast<long>(r.row(w, 0) + r.bins));
    };
    one.xcent = slice(r.xcent);
    one.freq = slice(r.freq);
    one.ampl = slice(r.ampl);
    one.prob = slice(r.prob);
    one.windows = 1;
    const auto named = cycles();
    const QString why = writeWholeFile(path, [&](io::AtomicFile& out) {
        return results::writePeaks(out, one, lineRule(), results::Separator::Tab,
                                   named ? &*named : nullptr);
    });
    if (!why.isEmpty()) {
        emit message(why + ".");
        return;
    }
    emit message("Exported the lines of window " + QString::number(w + 1) + " to " + path + ".");
}
