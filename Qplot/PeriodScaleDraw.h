// Tick labels of a frequency axis read as periods: the label at frequency f reads 1/f.
#pragma once

#include <qwt_scale_draw.h>
#include <qwt_text.h>

#include <QLocale>

class PeriodScaleDraw : public QwtScaleDraw {
public:
    QwtText label(double frequency) const override {
        if (!(frequency > 0))
            return QwtText(QString::fromUtf8("\u221e"));
        return QwtText(QLocale().toString(1.0 / frequency, 'g', 4));
    }
};
