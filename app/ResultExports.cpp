#include "app/ResultExports.h"

#include "app/PlatformServices.h"
#include "app/QPlot.h"
#include "core/io/AtomicFile.h"
#include "core/results/ResultFiles.h"

#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include <functional>

ResultExports::ResultExports(QWidget* window) : QObject(window), window_(window) {}

void ResultExports::exportResults() {
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!r) {
        emit message("There are no results to export yet: press Plot first.");
        return;
    }
    const QStringList filters = {
        "Result rows, tab-separated (*.tsv)", "Result rows, comma-separated (*.csv)",
        "Grids for R, tab-separated (*.tsv)", "Grids for R, comma-separated (*.csv)"};
    QString chosen = filters[0];
    QString path = Platform::chooseSaveFile(window_, "Export Results", "results.tsv",
                                            filters.join(";;"), &chosen);
    if (path.isEmpty())
        return;
    const bool comma = chosen.contains("comma");
    const QString extension = comma ? "csv" : "tsv";
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + extension;
    const results::Separator sep = comma ? results::Separator::Comma : results::Separator::Tab;
    QStringList written;
    auto write = [&](const QString& file, const std::function<bool(io::AtomicFile&)>& body) {
        io::AtomicFile out;
        std::string why;
        if (!out.open(file.toStdString(), &why) || !body(out) || !out.commit(&why)) {
            emit message(
                QString::fromStdString(why.empty() ? "Cannot write " + file.toStdString() : why) +
                ".");
            return false;
        }
        written << file;
        return true;
    };
    if (chosen.startsWith("Grids")) {
        const QFileInfo info(path);
        const QString base = info.absolutePath() + "/" + info.completeBaseName();
        for (const auto& [suffix, which] :
             {std::pair{"-amplitude.", results::GridOf::Amplitude},
              std::pair{"-probability.", results::GridOf::Probability}})
            if (!write(base + suffix + extension, [&](io::AtomicFile& out) {
                    return results::writeGrid(out, *r, which, sep);
                }))
                return;
    } else if (!write(path,
                      [&](io::AtomicFile& out) { return results::writeRows(out, *r, sep); })) {
        return;
    }
    emit message("Exported the results to " + written.join(" and ") + ".");
}

void ResultExports::exportMap() {
    if (!sharedPlot)
        return;
    const QStringList filters = {"PDF document, A4 landscape (*.pdf)", "PNG image (*.png)",
                                 "SVG drawing (*.svg)"};
    QString chosen = filters[0];
    QString path = Platform::chooseSaveFile(window_, "Export Map", "Tonalith.pdf",
                                            filters.join(";;"), &chosen);
    if (path.isEmpty())
        return;
    const QString extension = chosen.startsWith("PNG")   ? "png"
                              : chosen.startsWith("SVG") ? "svg"
                                                         : "pdf";
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + extension;
    // PNG at the size on screen; SVG at that size in millimetres at 96 dots per inch; PDF A4.
    const QWidget* plot = sharedPlot->widget();
    double width = 0, height = 0;
    if (extension == "png") {
        width = plot->width() * plot->devicePixelRatioF();
        height = plot->height() * plot->devicePixelRatioF();
    } else if (extension == "svg") {
        width = plot->width() * 25.4 / 96;
        height = plot->height() * 25.4 / 96;
    }
    char text[512] = "";
    if (plotWriteFigure(sharedPlot->plot(), path.toUtf8().constData(), width, height, text,
                        sizeof text))
        emit message("Exported the map to " + path + ".");
    else
        emit message("Cannot write the map " + path + ": " + QString::fromUtf8(text) + ".");
}
