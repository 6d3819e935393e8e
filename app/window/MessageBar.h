// Above the map: a message the user must not miss (a refused file or run), in full, until it is
// dismissed or a run reaches the map.
#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

class MessageBar : public QFrame {
    Q_OBJECT
public:
    explicit MessageBar(QWidget* parent);

    QLabel* text = nullptr;
    QPushButton* dismiss = nullptr;

public slots:
    void showMessage(const QString& message);
};
