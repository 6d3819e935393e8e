// A number field that shows its value as a person reads it ("6", not "6.000000000"; "0.06",
// not "0.059999999") and reads what is typed in the C locale, as every number of the window.
#pragma once

#include <QDoubleSpinBox>

class NumberBox : public QDoubleSpinBox {
public:
    explicit NumberBox(QWidget* parent) : QDoubleSpinBox(parent) {}

    QString textFromValue(double value) const override;
    double valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    // The typed number without the prefix and suffix.
    QString numberPart(const QString& input) const;
};
