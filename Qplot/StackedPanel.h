// One of the small plots stacked over one another below or beside the map: a rounded canvas,
// a titled vertical scale of a fixed width (so that stacked panels line up), a least height.
#pragma once

#include <QString>

class QWidget;
class QwtPlot;

QwtPlot* newStackedPanel(QWidget* parent, const QString& title, int scaleWidth);
