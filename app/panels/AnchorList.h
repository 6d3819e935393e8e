// The age model's anchors as the user gives them: a table of position, age and standard
// deviation, each cell typed; a row is added by a click on the age plot (at that position, with
// the model's age there, to be corrected) or by Add Anchor, and removed by Remove Anchor.
#pragma once

#include "core/tuning/Anchors.h"

#include <QWidget>

#include <optional>
#include <vector>

class QPushButton;
class QTableWidget;

class AnchorList : public QWidget {
    Q_OBJECT
public:
    explicit AnchorList(QWidget* parent);

    QTableWidget* table;
    QPushButton* addButton;
    QPushButton* removeButton;

    // The anchors of the rows whose three cells hold numbers (an empty standard deviation: 0);
    // problem: the first row that does not, counted from 1.
    std::vector<tuning::Anchor> anchors(QString* problem = nullptr) const;
    void setAnchors(const std::vector<tuning::Anchor>& anchors);
    // A new row at this position and age (standard deviation 0).
    void addAnchor(double position, double age);

signals:
    void changed();
    // Add Anchor was pressed: the owner proposes where (addAnchor).
    void addRequested();

private:
    void appendRow(const tuning::Anchor& a);
};
