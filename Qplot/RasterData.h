// The placeholder image shown before the first result: an 8 x 8 matrix of zeros over
// [-0.5, 7.5] x [-0.5, 7.5] with the intensity range [1, 6], so that the whole picture takes
// the colour the map gives below its range.
#pragma once

#include <qwt_matrix_raster_data.h>

class RasterData : public QwtMatrixRasterData {
public:
    RasterData();
    ~RasterData() override;
};
