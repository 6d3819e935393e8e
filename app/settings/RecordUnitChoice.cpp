#include "app/settings/RecordUnitChoice.h"

#include "core/units/RecordUnits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSettings>
#include <QUrl>

namespace {

// One key per file: its path, escaped so that its slashes make no settings groups.
QString keyFor(const QString& file) {
    return "recordUnits/" + QString::fromLatin1(QUrl::toPercentEncoding(file));
}

QComboBox* unitBox(QWidget* parent, const QStringList& offered, const QString& current) {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->addItems(offered);
    box->setCurrentText(current);
    return box;
}

} // namespace

QString RecordUnitChoice::frequencyUnit(const QString& fallback) const {
    return position.isEmpty() ? "cycles per " + fallback : "cycles/" + position;
}

double RecordUnitChoice::cmPerKyr() const {
    return units::cmPerKyrFactor(position.toStdString(), age.toStdString()).value_or(0.0);
}

RecordUnitChoice RecordUnitChoice::forFile(const QString& file, const QString& columnTitle) {
    const QStringList kept = QSettings().value(keyFor(file)).toStringList();
    if (kept.size() == 2)
        return {kept[0], kept[1]};
    RecordUnitChoice guess;
    guess.position = QString::fromStdString(units::guessUnit(columnTitle.toStdString()));
    return guess;
}

void RecordUnitChoice::remember(const QString& file, const RecordUnitChoice& choice) {
    QSettings().setValue(keyFor(file), QStringList{choice.position, choice.age});
}

RecordUnitsDialog::RecordUnitsDialog(QWidget* parent, const RecordUnitChoice& choice)
    : QDialog(parent) {
    setWindowTitle("Record Units");
    QStringList offered;
    for (const char* u : units::knownUnits)
        offered << u;
    position = unitBox(this, offered, choice.position);
    position->setToolTip("The unit of the positions: a depth (m, cm, mm) or a time (kyr, ka, yr)");
    age = unitBox(this, {"kyr", "ka", "yr", "Myr", "Ma"}, choice.age);
    age->setToolTip("The unit of the ages a depth record is tuned to, and of the target periods");
    auto* form = new QFormLayout(this);
    form->addRow("Position unit:", position);
    form->addRow("Age unit:", age);
    form->addRow(new QLabel("Remembered for this data file.", this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

RecordUnitChoice RecordUnitsDialog::choice() const {
    return {position->currentText().trimmed(), age->currentText().trimmed()};
}
