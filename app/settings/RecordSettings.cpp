#include "app/settings/RecordSettings.h"

#include "app/services/NumberText.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"

#include <QFileInfo>

#include <algorithm>

QString RecordSettings::missedTargets(const RecordWindow::Physical& w,
                                      const QList<double>& targets) {
    if (targets.isEmpty())
        return QString();
    const double longest = *std::max_element(targets.begin(), targets.end());
    const double shortest = *std::min_element(targets.begin(), targets.end());
    QStringList why;
    if (w.length < longest)
        why << QString("the window (%1) is shorter than the longest target period (%2)")
                   .arg(displayNumberText(w.length), displayNumberText(longest));
    if (w.step > w.length)
        why << QString("the step (%1) leaves gaps between windows of %2")
                   .arg(displayNumberText(w.step), displayNumberText(w.length));
    if (w.fmaxPerUnit < 1 / shortest)
        why << QString("the highest frequency (%1) is below that of the shortest target period "
                       "(%2)")
                   .arg(displayNumberText(w.fmaxPerUnit), displayNumberText(1 / shortest));
    return why.join("; ");
}

std::optional<std::optional<RecordWindow::Physical>>
RecordSettings::beforeRun(const QString& path, double spacing, const QList<double>& targets) {
    std::optional<RecordWindow::Physical> window;
    if (!(spacing > 0))
        return window;
    if (RecordWindow::keep()) {
        if (!RecordWindow::stored())
            RecordWindow::store(RecordWindow::inUnitsOf(spacing));
        window = RecordWindow::stored();
    }
    const QString missed =
        missedTargets(window ? *window : RecordWindow::inUnitsOf(spacing), targets);
    if (!missed.isEmpty()) {
        QStringList choices{"Run as Set", "Cancel"};
        const bool offer = previous_ && missedTargets(*previous_, targets).isEmpty();
        if (offer)
            choices.prepend(QString("Use %1, Step %2, Highest Frequency %3")
                                .arg(displayNumberText(previous_->length),
                                     displayNumberText(previous_->step),
                                     displayNumberText(previous_->fmaxPerUnit)));
        const int answer =
            Questions::ask(window_, "Target Periods Left Out",
                           "With these settings, " + missed +
                               (offer ? ". The previous record's window keeps them." : "."),
                           choices);
        if (answer < 0 || answer == choices.size() - 1)
            return std::nullopt;
        if (offer && answer == 0) {
            RecordWindow::store(*previous_);
            window = previous_;
        }
    }
    const series::Preparation p = Preferences::preparation();
    if (p.any() && !lastPath_.isEmpty() && lastPath_ != path) {
        const int answer =
            Questions::ask(window_, "Series Preparation",
                           QString("The series preparation chosen for %1 applies to %2: %3.")
                               .arg(QFileInfo(lastPath_).fileName(), QFileInfo(path).fileName(),
                                    QString::fromStdString(p.describe())),
                           {"Keep It", "Clear It", "Cancel"});
        if (answer < 0 || answer == 2)
            return std::nullopt;
        if (answer == 1)
            for (const char* key : {Preferences::logValues.name, Preferences::detrendKey,
                                    Preferences::standardise.name})
                Preferences::remove(key);
    }
    return window;
}

void RecordSettings::afterRun(const QString& path, double spacing) {
    lastPath_ = path;
    previous_ = RecordWindow::inUnitsOf(spacing);
}
