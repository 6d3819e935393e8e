#include "app/window/MapChoices.h"

#include "core/results/ColourMaps.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include <iterator>
#include <vector>

namespace {

const char* const mapOfLabels[] = {"Line &Amplitude", "&Power", "&Log Power",
                                   "Amplitude &Normalised per Window", "F-test P&robability"};

QActionGroup* radioGroup(QMenu* menu, const std::vector<const char*>& labels, int checked,
                         QObject* parent) {
    auto* group = new QActionGroup(parent);
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
        QAction* a = menu->addAction(labels[static_cast<std::size_t>(i)]);
        a->setCheckable(true);
        a->setData(i);
        a->setChecked(i == checked);
        group->addAction(a);
    }
    return group;
}

int checkedIndex(const QActionGroup* group) {
    const QAction* a = group->checkedAction();
    return a ? a->data().toInt() : 0;
}

} // namespace

MapChoices::MapChoices(QMenu* view, QObject* parent) : QObject(parent) {
    QSettings settings;
    const auto of =
        results::parseMapOf(settings.value("view/mapOf", "amplitude").toString().toStdString());
    const int colour = results::colourMapCode(
        settings.value("view/colours", results::colourMapWord(0)).toString().toStdString());

    QMenu* mapOf = view->addMenu("&Map Of");
    mapOfGroup = radioGroup(mapOf, {std::begin(mapOfLabels), std::end(mapOfLabels)},
                            static_cast<int>(of.value_or(results::MapOf::Amplitude)), this);
    QMenu* colours = view->addMenu("&Colour Map");
    std::vector<const char*> colourLabels;
    colourLabels.reserve(std::size(results::colourMaps));
    for (const results::ColourMapName& name : results::colourMaps)
        colourLabels.push_back(name.label);
    colourGroup = radioGroup(colours, colourLabels, colour < 0 ? 0 : colour, this);
    maskAction = view->addAction("&Mask Below Level");
    maskAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_5));
    maskAction->setToolTip("Leave cells whose F-test probability is below the lines' level "
                           "uncoloured, so that only significant lines keep their colour");
    reverseAction = view->addAction("Re&verse Position Axis");
    reverseAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_6));
    for (QAction* a : {maskAction, reverseAction})
        a->setCheckable(true);
    maskAction->setChecked(settings.value("view/mask", false).toBool());
    reverseAction->setChecked(settings.value("view/reverseX", false).toBool());

    for (QActionGroup* g : {mapOfGroup, colourGroup})
        connect(g, &QActionGroup::triggered, this, &MapChoices::changed);
    for (QAction* a : {maskAction, reverseAction})
        connect(a, &QAction::toggled, this, &MapChoices::changed);
}

MyPlot::MapDisplay MapChoices::display() const {
    MyPlot::MapDisplay d;
    d.of = static_cast<results::MapOf>(checkedIndex(mapOfGroup));
    d.colorMap = checkedIndex(colourGroup);
    d.maskLevel = maskAction->isChecked() ? maskLevel_ : 0.0;
    d.reverseX = reverseAction->isChecked();
    return d;
}

void MapChoices::setMaskLevel(double level) {
    if (level == maskLevel_)
        return;
    maskLevel_ = level;
    if (maskAction->isChecked())
        emit changed();
}

void MapChoices::save() const {
    QSettings settings;
    const MyPlot::MapDisplay d = display();
    settings.setValue("view/mapOf", QString::fromStdString(results::mapOfName(d.of)));
    settings.setValue("view/colours", results::colourMapWord(d.colorMap));
    settings.setValue("view/mask", maskAction->isChecked());
    settings.setValue("view/reverseX", reverseAction->isChecked());
}
