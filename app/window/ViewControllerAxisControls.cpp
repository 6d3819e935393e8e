#include "app/window/ViewControllerAxisControls.h"

#include "app/run/QPlot.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"

#include <QDebug>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <cmath>

namespace {

// A field's number in the user's locale or the C locale.
std::optional<double> fieldNumber(const QLineEdit* field) {
    bool ok = false;
    const QString text = field->text().trimmed();
    double v = QLocale().toDouble(text, &ok);
    if (!ok)
        v = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

} // namespace

ViewControllerAxisControls::ViewControllerAxisControls(QWidget* parent)
    : QFrame(parent, Qt::Popup) {
    setObjectName("axisControls");
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(this);
    auto field = [this](const char* name) {
        auto* f = new QLineEdit(this);
        f->setObjectName(name);
        f->setMinimumWidth(110);
        return f;
    };
    xminTextField = field("xmin");
    xmaxTextField = field("xmax");
    yminTextField = field("ymin");
    ymaxTextField = field("ymax");
    zminTextField = field("zmin");
    zmaxTextField = field("zmax");
    grid->addWidget(new QLabel("Depth/Time", this), 0, 0);
    grid->addWidget(xminTextField, 0, 1);
    grid->addWidget(new QLabel("to", this), 0, 2);
    grid->addWidget(xmaxTextField, 0, 3);
    grid->addWidget(new QLabel("Frequency", this), 1, 0);
    grid->addWidget(yminTextField, 1, 1);
    grid->addWidget(new QLabel("to", this), 1, 2);
    grid->addWidget(ymaxTextField, 1, 3);
    grid->addWidget(new QLabel("Intensity", this), 2, 0);
    grid->addWidget(zminTextField, 2, 1);
    grid->addWidget(new QLabel("to", this), 2, 2);
    grid->addWidget(zmaxTextField, 2, 3);
}

void ViewControllerAxisControls::setRepresentedObject(const QVariant&) {
    Platform::say("did Set");
}

void ViewControllerAxisControls::viewDidLoad() {
    const AxisRanges& r = axisRanges();
    if (!r.complete())
        return;
    const std::pair<QPointer<QLineEdit>, double> fields[] = {
        {xminTextField, *r.xmin}, {xmaxTextField, *r.xmax}, {yminTextField, *r.ymin},
        {ymaxTextField, *r.ymax}, {zminTextField, *r.zmin}, {zmaxTextField, *r.zmax}};
    for (const auto& [field, value] : fields)
        if (field)
            field->setText(exactNumberText(value));
}

void ViewControllerAxisControls::popoverWillClose() {
    AxisRanges& r = axisRanges();
    const std::pair<QPointer<QLineEdit>, std::optional<double>*> fields[] = {
        {xminTextField, &r.xmin}, {xmaxTextField, &r.xmax}, {yminTextField, &r.ymin},
        {ymaxTextField, &r.ymax}, {zminTextField, &r.zmin}, {zmaxTextField, &r.zmax}};
    const char* names[] = {"Depth/Time from", "Depth/Time to",  "Frequency from",
                           "Frequency to",    "Intensity from", "Intensity to"};
    double values[6];
    QStringList kept;
    for (int i = 0; i < 6; ++i) {
        const auto& [field, stored] = fields[i];
        std::optional<double> v = field ? fieldNumber(field) : std::nullopt;
        if (field && !v && *stored)
            kept << QString("%1 '%2' is not a number, kept %3")
                        .arg(names[i], field->text(), exactNumberText(**stored));
        if (!v)
            v = *stored; // no field, or no number in it: the stored range stays
        if (!v)
            return; // nothing known for this range: nothing is stored, the plot is not changed
        values[i] = *v;
    }
    for (int i = 0; i < 6; ++i)
        *fields[i].second = values[i];
    if (!kept.isEmpty())
        emit problem(kept.join("; ") + ".");
    auto apply = callback;
    Platform::postToMainThread([apply, values] {
        if (apply)
            apply(values[0], values[1], values[2], values[3], values[4], values[5]);
    });
}

void ViewControllerAxisControls::showBelow(QWidget* anchor) {
    adjustSize();
    move(anchor->mapToGlobal(QPoint(anchor->width() - width(), anchor->height())));
    show();
    if (xminTextField)
        xminTextField->setFocus();
}

void ViewControllerAxisControls::keyPressEvent(QKeyEvent* event) {
    // Return and Escape both close the popover; closing applies the fields.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

void ViewControllerAxisControls::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    if (closing_)
        return;
    closing_ = true;
    popoverWillClose();
    emit closed("popover did close: axis ranges");
    close();
}
