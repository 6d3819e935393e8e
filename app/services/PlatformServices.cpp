#include "app/services/PlatformServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMetaObject>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>

namespace Platform {

namespace {
OpenFileChooser& openFileChooser() {
    static OpenFileChooser chooser = [](QWidget* parent, const QString& title,
                                        const QString& filter, const QString& folder) {
        return QFileDialog::getOpenFileName(parent, title, folder, filter);
    };
    return chooser;
}
} // namespace

SaveFileChooser& saveFileChooser() {
    static SaveFileChooser chooser = [](QWidget* parent, const QString& title,
                                        const QString& proposed, const QString& filters,
                                        QString* selected) {
        return QFileDialog::getSaveFileName(parent, title, proposed, filters, selected);
    };
    return chooser;
}

void setSaveFileChooser(SaveFileChooser chooser) {
    saveFileChooser() = std::move(chooser);
}

QString chooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                       const QString& filters, QString* selectedFilter) {
    return saveFileChooser()(parent, title, proposed, filters, selectedFilter);
}

void setOpenFileChooser(OpenFileChooser chooser) {
    openFileChooser() = std::move(chooser);
}

QString chooseOpenFile(QWidget* parent, const QString& title, const QString& filter,
                       const QString& folder) {
    return openFileChooser()(parent, title, filter, folder);
}

QString proposedExportPath(const QString& kind, const QString& dataFile, const QString& ending) {
    const QFileInfo data(dataFile);
    const QString stem = dataFile.isEmpty() ? QString("Tonalith") : data.completeBaseName();
    QString folder = QSettings().value("exports/" + kind).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = dataFile.isEmpty() ? QDir::homePath() : data.absolutePath();
    return QDir(folder).filePath(stem + "-" + ending);
}

void rememberExportFolder(const QString& kind, const QString& path) {
    QSettings().setValue("exports/" + kind, QFileInfo(path).absolutePath());
}

QStringList resourceFolders() {
    const QString exe = QCoreApplication::applicationDirPath();
    return {QDir(exe).absoluteFilePath("../share/tonalith"),
            QDir(exe).absoluteFilePath("share/tonalith")};
}

QString recordsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return !folder.isEmpty() && QDir().mkpath(folder) ? folder : QString();
}

QString resourcePath(const QString& name) {
    const QString file = name == "Credits" ? "Credits.html" : name;
    for (const QString& folder : resourceFolders()) {
        const QFileInfo info(QDir(folder).filePath(file));
        if (info.isFile())
            return info.canonicalFilePath();
    }
    return QString();
}

void say(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void postToMainThread(std::function<void()> f) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(f), Qt::QueuedConnection);
}

} // namespace Platform
