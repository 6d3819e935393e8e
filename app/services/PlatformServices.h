// What the shell needs of its platform, gathered in one place: the open and save dialogs
// (replaceable, so that tests can answer them), application resources, messages on standard
// output, and hand-offs to the GUI thread.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace Platform {

// An open-file dialog: (parent, title, name filters separated by ";;", folder it opens in) ->
// chosen path, or empty when cancelled.
using OpenFileChooser =
    std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
void setOpenFileChooser(OpenFileChooser chooser);
QString chooseOpenFile(QWidget* parent, const QString& title, const QString& filter,
                       const QString& folder);

// A save dialog: (parent, title, proposed name, filters separated by ";;", the filter chosen
// on return) -> chosen path, or empty when cancelled.
using SaveFileChooser =
    std::function<QString(QWidget*, const QString&, const QString&, const QString&, QString*)>;
void setSaveFileChooser(SaveFileChooser chooser);
QString chooseSaveFile(QWidget* parent, const QString& title, const QString& proposed,
                       const QString& filters, QString* selectedFilter);

// Where an export dialog proposes to write: in the folder last used for that kind of export,
// else beside the data file, named after it: "<data file's name>-<ending>", e.g.
// "lr04_stack-map.pdf". An empty data file gives "Tonalith-<ending>".
QString proposedExportPath(const QString& kind, const QString& dataFile, const QString& ending);
// The folder of a path chosen for that kind of export, proposed next time.
void rememberExportFolder(const QString& kind, const QString& path);

// An application resource by name ("etp.txt", "Credits"): its path, or empty when absent.
// Resources live in share/tonalith beside the executable's folder.
QString resourcePath(const QString& name);

// The folder the engine's record files (fort.17, fort.20, fort.27) go to: the user's data
// folder for Tonalith, made when missing; empty when it cannot be made (the working directory
// is used then).
QString recordsFolder();

// Where resources are looked up (the first existing folder wins).
QStringList resourceFolders();

// One line on standard output, flushed at once.
void say(const QString& line);

// Runs f on the GUI thread, after the events already queued there.
void postToMainThread(std::function<void()> f);

} // namespace Platform
