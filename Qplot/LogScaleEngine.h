// A logarithmic scale that labels a short range: over less than two decades (a rate axis from
// 0.5 to 5 cm/kyr) Qwt's engine labels the powers of ten alone, often one tick; this one labels
// 1, 2 and 5 times each power of ten (every whole multiple when that gives fewer than two),
// with the other multiples as minor ticks. Longer ranges are Qwt's.
#pragma once

#include <qwt_scale_engine.h>

class LogScaleEngine : public QwtLogScaleEngine {
public:
    QwtScaleDiv divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                            double stepSize = 0.0) const override;
};
