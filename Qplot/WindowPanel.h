// The spectrum of one window: its line amplitude and its F-test probability against
// frequency, in two panels that share the frequency axis, with the significance levels drawn
// as horizontal lines on the probability panel.
#pragma once

#include <QWidget>

#include <memory>

class FrequencyAxis;
class QLabel;
class QwtPlot;
class QwtPlotCurve;
class QwtPlotMarker;

class WindowPanel : public QWidget {
    Q_OBJECT
public:
    explicit WindowPanel(QWidget* parent = nullptr);
    ~WindowPanel() override;

    void setSpectrum(const double* frequency, const double* amplitude, const double* probability,
                     int count, const QString& title);
    void setLevels(const double* levels, int count);
    // Frequency labels read as periods (1/f) and/or a logarithmic frequency axis, as the map's.
    void setFrequencyAxis(bool periods, bool logarithmic);
    // The record's position unit in the frequency axis title ("m"; empty: not known).
    void setFrequencyUnit(const QString& unit);
    // A vertical line at frequency f on both panels (on false hides it).
    void setMark(double f, bool on);
    bool markShown() const;

    QwtPlot* amplitudePlot() const { return amplitude_; }
    QwtPlot* probabilityPlot() const { return probability_; }
    int levelCount() const { return levels_.size(); }
    QString title() const;

private:
    QLabel* title_;
    QwtPlot* amplitude_;
    QwtPlot* probability_;
    QwtPlotCurve* amplitudeCurve_;
    QwtPlotCurve* probabilityCurve_;
    QList<QwtPlotMarker*> levels_;
    QwtPlotMarker* marks_[2];
    std::unique_ptr<FrequencyAxis> axis_;
};
