// The View menu's choices of how the map shows a run: what the colour shows, the colour map,
// the mask below a probability level, the position axis reversed. Remembered between sessions;
// every change is announced so that the map is redrawn without a new run.
#pragma once

#include "app/run/QPlot.h"

#include <QObject>

class QAction;
class QActionGroup;
class QMenu;

class MapChoices : public QObject {
    Q_OBJECT
public:
    MapChoices(QMenu* view, QObject* parent);

    MyPlot::MapDisplay display() const;
    // The probability below which Mask Below Level hides cells.
    void setMaskLevel(double level);

    QActionGroup* mapOfGroup = nullptr;
    QActionGroup* colourGroup = nullptr;
    QAction* maskAction = nullptr;
    QAction* reverseAction = nullptr;

    void save() const;

signals:
    void changed();

private:
    double maskLevel_ = 0.95;
};
