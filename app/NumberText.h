// Numbers as the window shows them: in the C locale whatever the user's, so that a number shown
// reads back the same when copied into a field, a file or the tool.
#pragma once

#include <QLocale>
#include <QString>

// Six significant digits: labels, messages and header lines.
inline QString numberText(double v) {
    return QLocale::c().toString(v, 'g', 6);
}

// The shortest text that reads back as the same number: fields that hold exact values.
inline QString exactNumberText(double v) {
    return QLocale::c().toString(v, 'g', QLocale::FloatingPointShortest);
}
