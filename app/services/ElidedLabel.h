// A one-line label that never widens its window: it asks for little room and, when it gets less
// than its text needs, shows the text cut with an ellipsis. text() keeps the whole text.
#pragma once

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    // Whether the text is cut where it is drawn now.
    bool elided() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
