// The frequency axis shared by panels stacked over one another, set as the map's: tick labels
// read as periods and/or a logarithmic scale, the title on the bottom panel; a logarithmic
// axis starts at the lowest frequency above zero.
#pragma once

#include <QList>
#include <QString>

class QwtPlot;

class FrequencyAxis {
public:
    explicit FrequencyAxis(const QList<QwtPlot*>& panels);

    // The frequencies shown, ascending.
    void setRange(const double* frequency, int count);
    void setStyle(bool periods, bool logarithmic);
    // The position unit named in the title ("Frequency (cycles/m)", "Period (m)"); empty: none.
    void setUnit(const QString& unit);

private:
    void apply();
    void setTitle();

    QList<QwtPlot*> panels_;
    double low_ = 0, lowPositive_ = 0, high_ = 1;
    bool logarithmic_ = false;
    bool periods_ = false;
    QString unit_;
};
