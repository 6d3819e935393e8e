// Figure files written whole or not at all: rendered into a temporary file beside the target,
// checked for the format's opening and closing marks, then moved over the target.
#pragma once

#include "core/io/AtomicFile.h"

#include <QRectF>
#include <QString>

#include <functional>
#include <string>

class QPainter;

namespace figure {

// The reason of an atomic-file failure without the file name, which the caller's message
// already names.
QString reasonOnly(const std::string& reason);

// Moves a finished figure over the target.
bool commit(io::AtomicFile& file, QString* why);

// Whether a written figure is whole: its format's opening and closing marks are there.
bool looksComplete(const QString& path, const QString& format);

// "pdf", "png" or "svg" from the file name; empty (and why set) for anything else.
QString formatOf(const QString& fileName, QString* why);

// Paints a figure through `paint` into fileName, PDF, PNG or SVG by its extension: width x
// height in pixels for PNG (default 1200 x 800), in millimetres for PDF and SVG (default
// 297 x 210); title goes into the PDF's and SVG's metadata.
bool write(const QString& fileName, double width, double height, const QString& title,
           const std::function<void(QPainter*, const QRectF&)>& paint, QString* why);

} // namespace figure
