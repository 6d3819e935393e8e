// Numbers as the window shows them, core's two forms as QString: in the C locale whatever the
// user's, so that a number shown reads back the same when copied into a field, a file or the
// tool.
#pragma once

#include "core/text/NumberText.h"

#include <QString>

// Six significant digits, without floating-point noise: labels, messages and header lines.
inline QString displayNumberText(double v) {
    return QString::fromStdString(text::displayNumber(v));
}

// As a person writes it (ten significant digits, no noise): values given back in messages.
inline QString writtenNumberText(double v) {
    return QString::fromStdString(text::writtenNumber(v));
}

// The shortest text that reads back as the same number: fields that hold exact values.
inline QString exactNumberText(double v) {
    return QString::fromStdString(text::exactNumber(v));
}
