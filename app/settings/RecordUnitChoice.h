// The units the user states for a record: its position unit (m, cm, mm, kyr, ka, yr or any
// text) and, for a depth record, the unit of its ages. Guessed from the column title until the
// user says otherwise, and remembered per data file.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;

struct RecordUnitChoice {
    QString position; // empty: not known
    QString age = "kyr";

    // "cycles/m", or "cycles per <fallback>" when the unit is not known.
    QString frequencyUnit(const QString& fallback) const;
    // The factor from position units per age unit to cm/kyr; 0 when either is not convertible.
    double cmPerKyr() const;
    bool operator==(const RecordUnitChoice& o) const {
        return position == o.position && age == o.age;
    }

    // The choice remembered for the file, else the units the column title names.
    static RecordUnitChoice forFile(const QString& file, const QString& columnTitle);
    static void remember(const QString& file, const RecordUnitChoice& choice);
};

// Analysis > Record Units: the two units, each offered from the common ones or typed.
class RecordUnitsDialog : public QDialog {
    Q_OBJECT
public:
    RecordUnitsDialog(QWidget* parent, const RecordUnitChoice& choice);
    QComboBox* position;
    QComboBox* age;
    RecordUnitChoice choice() const;
};
