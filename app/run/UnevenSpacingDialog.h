// Asked before a run of an unevenly spaced series without interpolation: resample it at the
// median spacing, at a step the user types, or cancel; the choice can be remembered.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QDoubleSpinBox;
class QRadioButton;

struct UnevenSpacingChoice {
    bool interpolate = false; // false: cancel the run
    double step = 0;          // 0: the median spacing
    bool remember = false;    // interpolate from now on without asking
};

class UnevenSpacingDialog : public QDialog {
    Q_OBJECT
public:
    UnevenSpacingDialog(QWidget* parent, const QString& file, const QString& spacingText,
                        double medianSpacing);

    UnevenSpacingChoice choice() const;

    QRadioButton* atMedian;
    QRadioButton* atStep;
    QDoubleSpinBox* step;
    QCheckBox* remember;

    // How the window asks: (parent, file name, what is uneven, median spacing) -> the choice.
    // The default shows the dialog; tests install their own.
    using Chooser =
        std::function<UnevenSpacingChoice(QWidget*, const QString&, const QString&, double)>;
    static Chooser& chooser();
};
