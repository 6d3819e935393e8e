#include "Qplot/QwtPlotTonalith2.h"

#include "Qplot/QwtCompat62.h"

#include <qwt_color_map.h>
#include <qwt_matrix_raster_data.h>
#include <qwt_painter.h>
#include <qwt_scale_map.h>

#include <QFuture>
#include <QPainter>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <vector>

struct QwtPlotTonalith2::PrivateData {
    QwtRasterData* data = nullptr;
    QwtRasterData* contourData = nullptr;
    QwtRasterData* maskData = nullptr;
    double maskLevel = 0.0;
    QwtColorMap* colorMap = new QwtLinearColorMap(QwtColorMap::RGB);
    int displayMode = ImageMode;
    QList<double> contourLevels;
    QPen defaultContourPen;
    int conrecFlags = QwtRasterData::IgnoreAllVerticesOnLevel;
    int colorTableSize = 0;
    QVector<QRgb> colorTable;

    // Contour lines of the last draw, kept while neither the contour data, the levels nor the
    // area and raster they were computed for change (a repaint for a readout or a popover
    // recomputes nothing).
    struct ContourCache {
        bool valid = false;
        quint64 generation = 0;
        QRectF area;
        QSize raster;
        QwtInterval x, y;
        QwtRasterData::ContourLines lines;
    } contourCache;
    quint64 contourGeneration = 0;
    bool directLookup = true;
    bool contourCacheEnabled = true;
    void contoursChanged() { ++contourGeneration; }

    ~PrivateData() {
        delete data;
        delete contourData;
        delete maskData;
        delete colorMap;
    }
};

QwtPlotTonalith2::QwtPlotTonalith2(const QString& title)
    : QwtPlotRasterItem(title), d(std::make_unique<PrivateData>()) {
    setItemAttribute(QwtPlotItem::AutoScale, true);
    setItemAttribute(QwtPlotItem::Legend, false);
    setZ(8.0);
}

QwtPlotTonalith2::~QwtPlotTonalith2() = default;

int QwtPlotTonalith2::rtti() const {
    return QwtPlotItem::Rtti_PlotSpectrogram;
}

void QwtPlotTonalith2::notify() {
    legendChanged();
    itemChanged();
}

void QwtPlotTonalith2::setDisplayMode(DisplayMode mode, bool on) {
    if (on != bool(mode & d->displayMode)) {
        if (on)
            d->displayMode |= mode;
        else
            d->displayMode &= ~mode;
    }
    notify();
}

bool QwtPlotTonalith2::testDisplayMode(DisplayMode mode) const {
    return d->displayMode & mode;
}

void QwtPlotTonalith2::setData(QwtRasterData* data) {
    if (data == d->data)
        return;
    delete d->data;
    d->data = data;
    invalidateCache();
    itemChanged();
}

const QwtRasterData* QwtPlotTonalith2::data() const {
    return d->data;
}
QwtRasterData* QwtPlotTonalith2::data() {
    return d->data;
}

void QwtPlotTonalith2::setContourData(QwtRasterData* data) {
    if (data == d->contourData)
        return;
    delete d->contourData;
    d->contourData = data;
    d->contoursChanged();
    invalidateCache();
    itemChanged();
}

const QwtRasterData* QwtPlotTonalith2::contourData() const {
    return d->contourData;
}
QwtRasterData* QwtPlotTonalith2::contourData() {
    return d->contourData;
}

void QwtPlotTonalith2::setMaskData(QwtRasterData* data) {
    if (data == d->maskData)
        return;
    delete d->maskData;
    d->maskData = data;
    invalidateCache();
    itemChanged();
}

void QwtPlotTonalith2::setMaskLevel(double level) {
    d->maskLevel = level > 0.0 ? level : 0.0;
    invalidateCache();
    itemChanged();
}

double QwtPlotTonalith2::maskLevel() const {
    return d->maskLevel;
}

void QwtPlotTonalith2::setColorMap(QwtColorMap* map) {
    if (!map)
        return;
    if (map != d->colorMap) {
        delete d->colorMap;
        d->colorMap = map;
    }
    updateColorTable();
    invalidateCache();
    notify();
}

const QwtColorMap* QwtPlotTonalith2::colorMap() const {
    return d->colorMap;
}

void QwtPlotTonalith2::setColorTableSize(int size) {
    size = qMax(size, 0);
    if (size == d->colorTableSize)
        return;
    d->colorTableSize = size;
    updateColorTable();
    invalidateCache();
}

int QwtPlotTonalith2::colorTableSize() const {
    return d->colorTableSize;
}

void QwtPlotTonalith2::updateColorTable() {
    if (d->colorMap->format() == QwtColorMap::Indexed)
        d->colorTable = QwtCompat::colorTable256(*d->colorMap);
    else if (d->colorTableSize == 0)
        d->colorTable.clear();
    else
        d->colorTable = QwtCompat::colorTable(*d->colorMap, d->colorTableSize);
}

void QwtPlotTonalith2::setDefaultContourPen(const QColor& color, qreal width, Qt::PenStyle style) {
    setDefaultContourPen(QPen(QBrush(color), width, style, Qt::SquareCap, Qt::BevelJoin));
}

void QwtPlotTonalith2::setDefaultContourPen(const QPen& pen) {
    if (pen == d->defaultContourPen)
        return;
    d->defaultContourPen = pen;
    notify();
}

QPen QwtPlotTonalith2::defaultContourPen() const {
    return d->defaultContourPen;
}

QPen QwtPlotTonalith2::contourPen(double level) const {
    if (!d->data || !d->colorMap)
        return QPen();
    const QwtInterval z = QwtCompat::interval(*d->data, Qt::ZAxis);
    return QPen(QColor(d->colorMap->rgb(z, level))); // opaque: QColor(QRgb) drops the alpha
}

void QwtPlotTonalith2::setConrecFlag(QwtRasterData::ConrecFlag flag, bool on) {
    if (on == bool(d->conrecFlags & flag))
        return;
    if (on)
        d->conrecFlags |= flag;
    else
        d->conrecFlags &= ~flag;
    d->contoursChanged();
    itemChanged();
}

bool QwtPlotTonalith2::testConrecFlag(QwtRasterData::ConrecFlag flag) const {
    return d->conrecFlags & flag;
}

void QwtPlotTonalith2::setContourLevels(const QList<double>& levels) {
    d->contourLevels = levels;
    std::sort(d->contourLevels.begin(), d->contourLevels.end());
    d->contoursChanged();
    notify();
}

QList<double> QwtPlotTonalith2::contourLevels() const {
    return d->contourLevels;
}

QRectF QwtPlotTonalith2::pixelHint(const QRectF& area) const {
    return d->data ? d->data->pixelHint(area) : QRectF();
}

QwtInterval QwtPlotTonalith2::interval(Qt::Axis axis) const {
    return d->data ? QwtCompat::interval(*d->data, axis) : QwtInterval();
}

QImage QwtPlotTonalith2::renderImage(const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                                     const QRectF& area, const QSize& imageSize) const {
    if (imageSize.width() <= 0 || imageSize.height() <= 0 || !d->data || !d->colorMap)
        return QImage();
    const QwtInterval z = QwtCompat::interval(*d->data, Qt::ZAxis);
    if (!z.isValid())
        return QImage();

    const bool rgb = d->colorMap->format() == QwtColorMap::RGB;
    // Opaque colours and fully transparent gaps read the same premultiplied, which the painter
    // draws without converting; a map with its own opacity needs the plain format.
    const bool opaque = alpha() == 255 && !dynamic_cast<const QwtAlphaColorMap*>(d->colorMap);
    QImage image(imageSize, !rgb     ? QImage::Format_Indexed8
                            : opaque ? QImage::Format_ARGB32_Premultiplied
                                     : QImage::Format_ARGB32);
    if (!rgb)
        image.setColorTable(QwtCompat::colorTable256(*d->colorMap));
    // A band that colours nothing (an empty z range) leaves transparency, not stale memory.
    image.fill(0);

    d->data->initRaster(area, image.size());
    if (d->maskData)
        d->maskData->initRaster(area, image.size());

    int threads = static_cast<int>(renderThreadCount());
    if (threads == 0)
        threads = QThread::idealThreadCount();
    if (threads <= 0)
        threads = 1;
    const int rows = image.height() / threads;

    QList<QFuture<void>> futures;
    for (int i = 0; i < threads; ++i) {
        QRect tile(0, i * rows, image.width(), rows);
        if (i == threads - 1) {
            tile.setHeight(image.height() - i * rows);
            renderTile(xMap, yMap, tile, &image);
        } else {
            futures += QtConcurrent::run(QThreadPool::globalInstance(),
                                         [=, &image] { renderTile(xMap, yMap, tile, &image); });
        }
    }
    for (QFuture<void>& f : futures)
        f.waitForFinished();

    d->data->discardRaster();
    if (d->maskData)
        d->maskData->discardRaster();
    return image;
}

namespace {

// One axis of a matrix's bilinear resampling, worked out once per image row or column: for
// each pixel the two neighbouring cells and the weight of the first, with the arithmetic of
// QwtMatrixRasterData::value, so that the values are the same to the last bit.
struct BilinearAxis {
    std::vector<int> first, second;
    std::vector<double> weight;
    std::vector<char> inside;

    BilinearAxis(const QwtInterval& interval, int cells, const QwtScaleMap& map, int from, int to) {
        const double step = interval.width() / cells;
        for (int p = from; p <= to; ++p) {
            const double x = map.invTransform(p);
            int c1 = qRound((x - interval.minValue()) / step) - 1;
            int c2 = c1 + 1;
            if (c1 < 0)
                c1 = c2;
            else if (c2 >= cells)
                c2 = c1;
            const double x2 = interval.minValue() + (c2 + 0.5) * step;
            first.push_back(c1);
            second.push_back(c2);
            weight.push_back((x2 - x) / step);
            inside.push_back(interval.contains(x));
        }
    }
};

} // namespace

bool QwtPlotTonalith2::renderDirectly(const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                                      const QRect& tile, QImage* image) const {
    // A plain matrix, bilinear, coloured through a table of an RGB image, no mask.
    const auto* m = dynamic_cast<const QwtMatrixRasterData*>(d->data);
    if (!d->directLookup || !m || typeid(*m) != typeid(QwtMatrixRasterData) ||
        m->resampleMode() != QwtMatrixRasterData::BilinearInterpolation ||
        d->colorTable.isEmpty() || d->maskLevel > 0.0 || image->format() == QImage::Format_Indexed8)
        return false;
    const QwtInterval z = QwtCompat::interval(*d->data, Qt::ZAxis);
    const int cols = m->numColumns(), rows = m->numRows();
    if (cols < 1 || rows < 1)
        return false;
    const BilinearAxis bx(m->interval(Qt::XAxis), cols, xMap, tile.left(), tile.right());
    const BilinearAxis by(m->interval(Qt::YAxis), rows, yMap, tile.top(), tile.bottom());
    const double* v = m->valueMatrix().constData();
    const QVector<QRgb>& table = d->colorTable;
    const int k = table.size();
    const QwtColorMap& map = *d->colorMap;
    const QImage& shared = *image;
    for (int j = 0; j <= tile.bottom() - tile.top(); ++j) {
        QRgb* line =
            reinterpret_cast<QRgb*>(const_cast<uchar*>(shared.constScanLine(tile.top() + j))) +
            tile.left();
        if (!by.inside[j]) {
            std::fill(line, line + tile.width(), 0u);
            continue;
        }
        const double* r1 = v + static_cast<std::size_t>(by.first[j]) * cols;
        const double* r2 = v + static_cast<std::size_t>(by.second[j]) * cols;
        const double ry = by.weight[j];
        for (int i = 0; i < tile.width(); ++i) {
            if (!bx.inside[i]) {
                line[i] = 0u;
                continue;
            }
            const int c1 = bx.first[i], c2 = bx.second[i];
            const double rx = bx.weight[i];
            const double vr1 = rx * r1[c1] + (1.0 - rx) * r1[c2];
            const double vr2 = rx * r2[c1] + (1.0 - rx) * r2[c2];
            const double value = ry * vr1 + (1.0 - ry) * vr2;
            line[i] = std::isnan(value)
                          ? 0u
                          : table[static_cast<int>(QwtCompat::colorIndex(map, k, z, value))];
        }
    }
    return true;
}

void QwtPlotTonalith2::setDirectLookup(bool on) {
    d->directLookup = on;
    invalidateCache();
}

void QwtPlotTonalith2::renderTile(const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                                  const QRect& tile, QImage* image) const {
    if (renderDirectly(xMap, yMap, tile, image))
        return;
    const QwtInterval z = QwtCompat::interval(*d->data, Qt::ZAxis);
    if (!(z.isValid() && z.width() > 0.0))
        return;
    const bool honourGaps = !QwtCompat::testAttribute(*d->data, QwtCompat::WithoutGaps);
    const QwtRasterData& data = *d->data;
    const QwtColorMap& map = *d->colorMap;
    const QwtRasterData* mask = d->maskLevel > 0.0 ? d->maskData : nullptr;
    const double maskLevel = d->maskLevel;
    // The image was detached by the calling thread; scanLine() would detach again from
    // several threads at once, so the rows are reached through the read-only accessor.
    const QImage& shared = *image;
    auto row = [&shared](int y) { return const_cast<uchar*>(shared.constScanLine(y)); };

    if (image->format() == QImage::Format_ARGB32 ||
        image->format() == QImage::Format_ARGB32_Premultiplied) {
        const QVector<QRgb>& table = d->colorTable;
        const int k = table.size();
        for (int y = tile.top(); y <= tile.bottom(); ++y) {
            const double ty = yMap.invTransform(y);
            QRgb* line = reinterpret_cast<QRgb*>(row(y)) + tile.left();
            for (int x = tile.left(); x <= tile.right(); ++x) {
                const double tx = xMap.invTransform(x);
                const double v = data.value(tx, ty);
                if ((honourGaps && std::isnan(v)) || (mask && mask->value(tx, ty) < maskLevel))
                    *line++ = 0u;
                else if (k == 0)
                    *line++ = map.rgb(z, v);
                else
                    *line++ = table[static_cast<int>(QwtCompat::colorIndex(map, k, z, v))];
            }
        }
    } else if (image->format() == QImage::Format_Indexed8) {
        for (int y = tile.top(); y <= tile.bottom(); ++y) {
            const double ty = yMap.invTransform(y);
            unsigned char* line = row(y) + tile.left();
            for (int x = tile.left(); x <= tile.right(); ++x) {
                const double tx = xMap.invTransform(x);
                const double v = data.value(tx, ty);
                if ((honourGaps && std::isnan(v)) || (mask && mask->value(tx, ty) < maskLevel))
                    *line++ = 0;
                else
                    *line++ = static_cast<unsigned char>(QwtCompat::colorIndex(map, 256, z, v));
            }
        }
    }
}

void QwtPlotTonalith2::draw(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                            const QRectF& canvasRect) const {
    if (testDisplayMode(ImageMode))
        QwtPlotRasterItem::draw(painter, xMap, yMap, canvasRect);
    if (!testDisplayMode(ContourMode))
        return;

    QRectF rasterRect = canvasRect.adjusted(-2, -2, 2, 2);
    QRectF area = QwtScaleMap::invTransform(xMap, yMap, rasterRect);
    const QRectF bounds = boundingRect();
    if (bounds.isValid()) {
        area &= bounds;
        if (area.width() <= 0 || area.height() <= 0)
            return;
        rasterRect = QwtScaleMap::transform(xMap, yMap, area);
    }
    const QRect rect = rasterRect.toRect();
    const QSize raster = contourRasterSize(area, rect).boundedTo(rect.size());
    if (raster.isValid())
        drawContourLines(painter, xMap, yMap, computeContourLines(area, raster));
}

QSize QwtPlotTonalith2::contourRasterSize(const QRectF& area, const QRect& rect) const {
    QSize raster = rect.size() / 2;
    const QRectF hint = pixelHint(area);
    if (hint.width() > 0 && hint.height() > 0) {
        const QSize resolution(static_cast<int>(std::ceil(rect.width() / hint.width())),
                               static_cast<int>(std::ceil(rect.height() / hint.height())));
        raster = raster.boundedTo(resolution);
    }
    return raster;
}

QwtRasterData::ContourLines QwtPlotTonalith2::computeContourLines(const QRectF& rect,
                                                                  const QSize& raster) const {
    if (!d->contourData)
        return QwtRasterData::ContourLines();
    PrivateData::ContourCache& c = d->contourCache;
    const QwtInterval x = QwtCompat::interval(*d->contourData, Qt::XAxis);
    const QwtInterval y = QwtCompat::interval(*d->contourData, Qt::YAxis);
    if (d->contourCacheEnabled && c.valid && c.generation == d->contourGeneration &&
        c.area == rect && c.raster == raster && c.x == x && c.y == y)
        return c.lines;
    QwtRasterData::ContourLines lines = d->contourData->contourLines(
        rect, raster, d->contourLevels, QwtRasterData::ConrecFlags(d->conrecFlags));
    if (d->contourCacheEnabled)
        c = {true, d->contourGeneration, rect, raster, x, y, lines};
    return lines;
}

bool QwtPlotTonalith2::contourLinesCached() const {
    return d->contourCache.valid;
}

void QwtPlotTonalith2::setContourCacheEnabled(bool on) {
    d->contourCacheEnabled = on;
    d->contourCache.valid = false;
}

void QwtPlotTonalith2::drawContourLines(QPainter* painter, const QwtScaleMap& xMap,
                                        const QwtScaleMap& yMap,
                                        const QwtRasterData::ContourLines& lines) const {
    if (!d->contourData)
        return;
    for (const double level : d->contourLevels) {
        QPen pen = defaultContourPen();
        if (pen.style() == Qt::NoPen)
            pen = contourPen(level);
        if (pen.style() == Qt::NoPen)
            continue;
        painter->setPen(pen);
        const QPolygonF polygon = lines.value(level);
        // Points come in pairs, one segment each; an unpaired last point is ignored.
        for (int i = 0; i + 1 < polygon.size(); i += 2) {
            const QPointF p1(xMap.transform(polygon[i].x()), yMap.transform(polygon[i].y()));
            const QPointF p2(xMap.transform(polygon[i + 1].x()),
                             yMap.transform(polygon[i + 1].y()));
            QwtPainter::drawLine(painter, p1, p2);
        }
    }
}
