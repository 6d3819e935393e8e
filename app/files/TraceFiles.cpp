#include "app/files/TraceFiles.h"

#include "app/files/WholeFile.h"
#include "app/panels/LineTracing.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"

#include <QFileInfo>

TraceFiles::TraceFiles(QWidget* window, LineTracing* tracing)
    : QObject(window), window_(window), tracing_(tracing) {}

void TraceFiles::save() {
    const std::string text = tracing_->text();
    const auto& r = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (text.empty() || !r) {
        emit message("There is no trace to save: Analysis > Trace Line, then click the map.");
        return;
    }
    const QString path = Platform::chooseSaveFile(
        window_, "Save Trace",
        Platform::proposedExportPath("tuning", QString::fromStdString(r->provenance.input),
                                     "trace.tsv"),
        "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("tuning", path);
    const QString why = writeWholeFile(path, text);
    emit message(why.isEmpty() ? "Saved the trace to " + path + "." : why + ".");
}

void TraceFiles::open(const QString& folder) {
    const QString path = Platform::chooseOpenFile(
        window_, "Open Trace", "Traces (*.tsv *.txt *.csv);;All files (*)", folder);
    if (path.isEmpty())
        return;
    std::string why;
    const auto text = series::readText(path.toStdString(), &why);
    QString problem = QString::fromStdString(why);
    if (!text || !tracing_->read(*text, &problem)) {
        emit message("Cannot use the trace " + QFileInfo(path).fileName() + ": " + problem + ".");
        return;
    }
    tracing_->show();
    emit message("Opened the trace " + QFileInfo(path).fileName() + ".");
}
