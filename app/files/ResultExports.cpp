#include "app/files/ResultExports.h"

#include "app/window/MapExportDialog.h"

#include "app/files/WholeFile.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"
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
    QString path = Platform::chooseSaveFile(
        window_, "Export Results",
        Platform::proposedExportPath("results", QString::fromStdString(r->provenance.input),
                                     "rows.tsv"),
        filters.join(";;"), &chosen);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("results", path);
    const bool comma = chosen.contains("comma");
    const QString extension = comma ? "csv" : "tsv";
    if (QFileInfo(path).suffix().isEmpty())
        path += "." + extension;
    const results::Separator sep = comma ? results::Separator::Comma : results::Separator::Tab;
    QStringList written;
    auto write = [&](const QString& file, const std::function<bool(io::AtomicFile&)>& body) {
        const QString why = writeWholeFile(file, body);
        if (!why.isEmpty()) {
            emit message(why + ".");
            return false;
        }
        written << file;
        return true;
    };
    if (chosen.startsWith("Grids")) {
        const QFileInfo info(path);
        const QString base = info.absolutePath() + "/" + info.completeBaseName();
        for (const auto& [suffix, grid] :
             {std::pair{"-amplitude.", results::GridOf::Amplitude},
              std::pair{"-probability.", results::GridOf::Probability}}) {
            const results::GridOf which = grid; // a lambda may not capture a binding in C++17
            if (!write(base + suffix + extension, [&](io::AtomicFile& out) {
                    return results::writeGrid(out, *r, which, sep);
                }))
                return;
        }
    } else if (!write(path,
                      [&](io::AtomicFile& out) { return results::writeRows(out, *r, sep); })) {
        return;
    }
    emit message("Exported the results to " + written.join(" and ") + ".");
}

void ResultExports::exportMap() {
    if (!sharedPlot)
        return;
    const auto& r = sharedPlot->lastResult();
    const QString input = r ? QString::fromStdString(r->provenance.input) : QString();
    const QStringList filters = {"PDF document, A4 landscape (*.pdf)", "PNG image (*.png)",
                                 "SVG drawing (*.svg)"};
    QString chosen = filters[0];
    QString path = Platform::chooseSaveFile(window_, "Export Map",
                                            Platform::proposedExportPath("map", input, "map.pdf"),
                                            filters.join(";;"), &chosen);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("map", path);
    QString extension = QFileInfo(path).suffix().toLower();
    if (extension != "pdf" && extension != "png" && extension != "svg") {
        extension = chosen.startsWith("PNG") ? "png" : chosen.startsWith("SVG") ? "svg" : "pdf";
        path += "." + extension;
    }
    const QString summary = r ? QString::fromStdString(results::runSummary(r->provenance)) : "";
    const auto options = MapExportDialog::chooser()(window_, extension, summary);
    if (!options)
        return;
    // A PDF of A4 landscape goes through the printer, as the PDF export does.
    const bool a4 = extension == "pdf" && options->width == 297 && options->height == 210;
    Plot* plot = sharedPlot->plot();
    plotSetTitle(plot, options->title.toUtf8().constData());
    char text[512] = "";
    const bool written = plotWriteFigure(plot, path.toUtf8().constData(), a4 ? 0 : options->width,
                                         a4 ? 0 : options->height, text, sizeof text);
    plotSetTitle(plot, "");
    if (written)
        emit message("Exported the map to " + path + ".");
    else
        emit message("Cannot write the map " + path + ": " + QString::fromUtf8(text) + ".");
}
