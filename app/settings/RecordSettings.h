// The settings a run takes from the record before it starts: with "Keep the Window in the
// Record's Units" on, the window of the record's spacing; a warning when the window, step or
// highest frequency would leave out the target periods, offering the previous record's
// physical window; and a question when a series preparation chosen for another record would
// apply to this one.
#pragma once

#include "app/settings/RecordWindow.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

class RecordSettings {
public:
    explicit RecordSettings(QWidget* window) : window_(window) {}

    // Before the run of path at spacing; targets: the target periods in position units (none
    // when the guides are not shown). Nothing: the user cancelled the run; else the window in
    // the record's units the run takes (none: the preferences' samples).
    std::optional<std::optional<RecordWindow::Physical>>
    beforeRun(const QString& path, double spacing, const QList<double>& targets);
    // After a run was shown: its physical window is the previous record's from now on.
    void afterRun(const QString& path, double spacing);

    // Why this window leaves out some of the targets (in position units); empty when it does not.
    static QString missedTargets(const RecordWindow::Physical& window,
                                 const QList<double>& targets);

private:
    QWidget* window_;
    QString lastPath_;
    std::optional<RecordWindow::Physical> previous_;
};
