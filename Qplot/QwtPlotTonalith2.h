// The raster item of the time-frequency map: the image data set coloured through a colour map
// in horizontal bands on Qt's global thread pool, and contour lines of a second data set (the
// F-test significance) at chosen levels. Data sets and the colour map belong to the item.
#pragma once

#include <qwt_plot_rasteritem.h>
#include <qwt_raster_data.h>

#include <QList>
#include <QPen>

#include <memory>

class QwtColorMap;

class QwtPlotTonalith2 : public QwtPlotRasterItem {
public:
    enum DisplayMode { ImageMode = 1, ContourMode = 2 };

    explicit QwtPlotTonalith2(const QString& title = QString());
    ~QwtPlotTonalith2() override;

    int rtti() const override;

    void setDisplayMode(DisplayMode mode, bool on = true);
    bool testDisplayMode(DisplayMode mode) const;

    void setData(QwtRasterData* data);
    const QwtRasterData* data() const;
    QwtRasterData* data();

    void setContourData(QwtRasterData* data);
    const QwtRasterData* contourData() const;
    QwtRasterData* contourData();

    // A data set looked up per pixel (nearest cell): where it lies below the level, the pixel
    // is left transparent. The level 0 masks nothing.
    void setMaskData(QwtRasterData* data);
    void setMaskLevel(double level);
    double maskLevel() const;

    void setColorMap(QwtColorMap* map);
    const QwtColorMap* colorMap() const;

    // Colours cached from the map: 0 (no table), or the number of entries.
    void setColorTableSize(int size);
    int colorTableSize() const;

    void setDefaultContourPen(const QColor& color, qreal width = 0.0,
                              Qt::PenStyle style = Qt::SolidLine);
    void setDefaultContourPen(const QPen& pen);
    QPen defaultContourPen() const;
    virtual QPen contourPen(double level) const;

    void setConrecFlag(QwtRasterData::ConrecFlag flag, bool on);
    bool testConrecFlag(QwtRasterData::ConrecFlag flag) const;

    void setContourLevels(const QList<double>& levels);
    // Whether the last draw's contour lines are kept for the next; off recomputes every draw
    // (for comparisons).
    void setContourCacheEnabled(bool on);
    bool contourLinesCached() const;
    QList<double> contourLevels() const;

    QRectF pixelHint(const QRectF& area) const override;
    QwtInterval interval(Qt::Axis axis) const override;

    void draw(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
              const QRectF& canvasRect) const override;

    // Whether a bilinear matrix is read directly, its weights computed once per row and column,
    // rather than through the data set's value() at every pixel (the same values either way).
    void setDirectLookup(bool on);

    // Colours the rows and columns of `tile` in `image`; run by the rendering threads.
    void renderTile(const QwtScaleMap& xMap, const QwtScaleMap& yMap, const QRect& tile,
                    QImage* image) const;

protected:
    QImage renderImage(const QwtScaleMap& xMap, const QwtScaleMap& yMap, const QRectF& area,
                       const QSize& imageSize) const override;

    virtual QSize contourRasterSize(const QRectF& area, const QRect& rect) const;
    virtual QwtRasterData::ContourLines computeContourLines(const QRectF& rect,
                                                            const QSize& raster) const;
    virtual void drawContourLines(QPainter* painter, const QwtScaleMap& xMap,
                                  const QwtScaleMap& yMap,
                                  const QwtRasterData::ContourLines& lines) const;

private:
    bool renderDirectly(const QwtScaleMap& xMap, const QwtScaleMap& yMap, const QRect& tile,
                        QImage* image) const;
    void updateColorTable();
    void notify();

    struct PrivateData;
    std::unique_ptr<PrivateData> d;
};
