// An analytic data set: the value at (x, y) comes from a function of the caller's, or from a
// built-in test surface when none is installed. Fixed intervals x, y in [-1.5, 1.5] and
// z in [0, 10]. The function is called from several rendering threads at once.
#pragma once

#include "Qplot/QwtCompat62.h"

#include <qwt_raster_data.h>

typedef double (*ValueFunction)(double x, double y);

class TonalithData : public QwtRasterData
#if QWT_VERSION < 0x060200
    ,
                     public QwtRasterDataAttributes
#endif
{
public:
    TonalithData();
    ~TonalithData() override;

    // The stored interval for x, y or z; an invalid interval for any other axis.
    QwtInterval interval(Qt::Axis axis) const;
    double value(double x, double y) const override;

    void setValueFunction(ValueFunction function) {
        valueFunction_ = function;
    }
    ValueFunction valueFunction() const {
        return valueFunction_;
    }

private:
    QwtInterval intervals_[3];
    ValueFunction valueFunction_ = nullptr;
};
