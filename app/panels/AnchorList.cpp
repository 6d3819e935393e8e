#include "app/panels/AnchorList.h"

#include "app/services/NumberText.h"
#include "core/series/SeriesFile.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

AnchorList::AnchorList(QWidget* parent) : QWidget(parent) {
    table = new QTableWidget(0, 3, this);
    table->setHorizontalHeaderLabels({"Position", "Age", "SD"});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setVisible(false);
    table->setToolTip("Ages known at positions (an ash bed, a reversal, a datum), with one "
                      "standard deviation in the unit of the ages (empty: exact). Click the age "
                      "plot to add one there, then type its age.");
    addButton = new QPushButton("Add Anchor", this);
    removeButton = new QPushButton("Remove Anchor", this);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table);
    layout->addLayout(buttons);
    connect(table, &QTableWidget::cellChanged, this, &AnchorList::changed);
    connect(addButton, &QPushButton::clicked, this, &AnchorList::addRequested);
    connect(removeButton, &QPushButton::clicked, this, [this] {
        const int row = table->currentRow();
        if (row < 0)
            return;
        table->removeRow(row);
        emit changed();
    });
}

std::vector<tuning::Anchor> AnchorList::anchors(QString* problem) const {
    std::vector<tuning::Anchor> out;
    for (int row = 0; row < table->rowCount(); ++row) {
        double v[3] = {0, 0, 0};
        bool ok = true;
        for (int c = 0; c < 3; ++c) {
            const QTableWidgetItem* item = table->item(row, c);
            const QString text = item ? item->text().trimmed() : QString();
            if (c == 2 && text.isEmpty())
                continue;
            const auto number = series::parseNumber(text.toStdString());
            ok = ok && number && std::isfinite(*number) && (c < 2 || *number >= 0);
            v[c] = number.value_or(0);
        }
        if (!ok) {
            if (problem && problem->isEmpty())
                *problem = QString("anchor %1 does not hold a position, an age and a standard "
                                   "deviation of 0 or more")
                               .arg(row + 1);
            continue;
        }
        out.push_back({v[0], v[1], v[2]});
    }
    return out;
}

void AnchorList::setAnchors(const std::vector<tuning::Anchor>& anchors) {
    table->blockSignals(true);
    table->setRowCount(0);
    for (const tuning::Anchor& a : anchors)
        appendRow(a);
    table->blockSignals(false);
    emit changed();
}

void AnchorList::addAnchor(double position, double age) {
    table->blockSignals(true);
    appendRow({position, std::round(age * 1000) / 1000, 0});
    table->blockSignals(false);
    table->setCurrentCell(table->rowCount() - 1, 1);
    emit changed();
}

void AnchorList::appendRow(const tuning::Anchor& a) {
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(exactNumberText(a.position)));
    table->setItem(row, 1, new QTableWidgetItem(exactNumberText(a.age)));
    table->setItem(row, 2, new QTableWidgetItem(a.sd > 0 ? exactNumberText(a.sd) : ""));
}
