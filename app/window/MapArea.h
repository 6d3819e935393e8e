// The centre of the window: the frame holding the map, and how the map is shown there: its
// frequency axis (in frequencies or periods, linear or logarithmic), its ranges, its colours
// and the mark of the selected window. Before the first map, a hint over the placeholder says
// what to do; with the map in focus, the arrow keys step from window to window.
#pragma once

#include "app/run/QPlot.h"

#include <QFrame>

class QLabel;
#include <QString>

class MapArea : public QFrame {
    Q_OBJECT
public:
    explicit MapArea(QWidget* parent);

    // Places the plot in the frame, filling it and following its size.
    void embed(MyPlot* plot);

    void setFrequencyAxis(bool periods, bool logarithmic);
    // The part of the map the axes show (x, y) and the intensities the colours span (z); what
    // is wrong with them, worded, when a range is empty.
    QString showRanges(double xmin, double xmax, double ymin, double ymax, double zmin,
                       double zmax);
    // How the map shows its run; false while the placeholder is shown.
    bool setDisplay(const MyPlot::MapDisplay& display);
    // The selected window's centre (hidden when off).
    void markWindow(double centre, bool on);
    // The first-start hint over the placeholder, until a run reaches the map.
    void setHintShown(bool on);
    QLabel* hint = nullptr;

public slots:
    // A data file was chosen (on the command line, too): the hint names it while no map is shown.
    void fileChosen(const QString& file);

signals:
    // For the panels that follow the map's axes.
    void frequencyAxisSet(bool periods, bool logarithmic);
    void positionRangeShown(double from, double to);
    // Left (-1) or Right (+1) pressed while the map has the focus.
    void windowStep(int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where a logarithmic frequency axis asked to start at low begins.
    double lowestResolved(double low) const;
    MyPlot* plot_ = nullptr;
    bool logarithmic_ = false;
};
