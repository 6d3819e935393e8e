#include "app/settings/NumberBox.h"

#include "core/text/NumberText.h"

#include <QLocale>
#include <QRegularExpression>

QString NumberBox::textFromValue(double value) const {
    // Ten digits keep what was typed; floating-point noise lies beyond them.
    return QString::fromStdString(text::writtenNumber(value));
}

double NumberBox::valueFromText(const QString& text) const {
    return QLocale::c().toDouble(numberPart(text));
}

QValidator::State NumberBox::validate(QString& input, int&) const {
    const QString t = numberPart(input);
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (ok)
        return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    // On the way to a number: "", "-", ".", "1e", "1e-".
    static const QRegularExpression partial("^-?\\d*\\.?\\d*([eE][-+]?)?$");
    return partial.match(t).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

QString NumberBox::numberPart(const QString& input) const {
    QString t = input;
    if (!prefix().isEmpty() && t.startsWith(prefix()))
        t.remove(0, prefix().size());
    if (!suffix().isEmpty() && t.endsWith(suffix()))
        t.chop(suffix().size());
    return t.trimmed();
}
