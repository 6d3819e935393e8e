#include "Qplot/FigureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace figure {

QString reasonOnly(const std::string& reason) {
    const std::size_t colon = reason.find(": ");
    return QString::fromStdString(colon == std::string::npos ? reason : reason.substr(colon + 2));
}

bool commit(io::AtomicFile& file, QString* why) {
    std::string reason;
    if (file.commit(&reason))
        return true;
    *why = reasonOnly(reason);
    return false;
}

bool looksComplete(const QString& path, const QString& format) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 32)
        return false;
    const QByteArray head = f.read(16);
    f.seek(qMax<qint64>(0, f.size() - 64));
    const QByteArray tail = f.readAll();
    if (format == "pdf")
        return head.startsWith("%PDF-") && tail.contains("%%EOF");
    if (format == "png")
        return head.startsWith("\x89PNG") && tail.contains("IEND");
    return head.contains("<?xml") && tail.contains("</svg>");
}

QString formatOf(const QString& fileName, QString* why) {
    const QString suffix = QFileInfo(fileName).suffix();
    QString format = suffix.toLower();
    if (format == "pdf" || format == "png" || format == "svg")
        return format;
    *why = "the figure format ." + suffix + " is not known (use .pdf, .png or .svg)";
    return QString();
}

bool write(const QString& fileName, double width, double height, const QString& title,
           const std::function<void(QPainter*, const QRectF&)>& paint, QString* why) {
    const QString format = formatOf(fileName, why);
    if (format.isEmpty())
        return false;
    if (QFileInfo(fileName).isDir()) {
        *why = "it is a folder";
        return false;
    }
    io::AtomicFile file;
    std::string reason;
    if (!file.openForWriterByName(QFile::encodeName(fileName).toStdString(), &reason)) {
        *why = reasonOnly(reason);
        return false;
    }
    const QString temp = QFile::decodeName(file.temporaryPath().c_str());
    if (format == "png") {
        const QSize size(width > 0 ? qRound(width) : 1200, height > 0 ? qRound(height) : 800);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paint(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        if (!image.save(temp, "PNG")) {
            *why = "the PNG image could not be written (is the disk full?)";
            return false;
        }
    } else {
        const QSizeF mm(width > 0 ? width : 297.0, height > 0 ? height : 210.0);
        constexpr int dpi = 85; // as the map's own figures
        const QSizeF pixels = mm / 25.4 * dpi;
        if (format == "pdf") {
            QPdfWriter pdf(temp);
            pdf.setTitle(title);
            pdf.setCreator("Tonalith");
            pdf.setResolution(dpi);
            pdf.setPageSize(QPageSize(mm, QPageSize::Millimeter));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&pdf);
            paint(&painter, QRectF(QPointF(0, 0), pixels));
        } else {
            QSvgGenerator svg;
            svg.setFileName(temp);
            svg.setTitle(title);
            svg.setResolution(dpi);
            svg.setSize(pixels.toSize());
            svg.setViewBox(QRectF(QPointF(0, 0), pixels));
            QPainter painter(&svg);
            paint(&painter, QRectF(QPointF(0, 0), pixels));
        }
    }
    if (!looksComplete(temp, format)) {
        *why =
            "the " + format.toUpper() + " file could not be written completely (is the disk full?)";
        return false;
    }
    return commit(file, why);
}

} // namespace figure
