#include "Qplot/RasterData.h"

RasterData::RasterData() {
    setValueMatrix(QVector<double>(64, 0.0), 8);
    setInterval(Qt::XAxis, QwtInterval(-0.5, 7.5, QwtInterval::ExcludeMaximum));
    setInterval(Qt::YAxis, QwtInterval(-0.5, 7.5, QwtInterval::ExcludeMaximum));
    setInterval(Qt::ZAxis, QwtInterval(1.0, 6.0));
}

RasterData::~RasterData() = default;
