// The axis popover: six fields for the ranges of the map, opened under its button. It opens
// with the ranges of the picture as last drawn or edited and applies its fields when it
// closes (on Return, Escape or a click elsewhere).
#pragma once

#include <QFrame>
#include <QPointer>

#include <functional>

class QLineEdit;

// The axis popover with its six range fields.
class ViewControllerAxisControls : public QFrame {
    Q_OBJECT
public:
    explicit ViewControllerAxisControls(QWidget* parent);

    QPointer<QLineEdit> xminTextField, xmaxTextField;
    QPointer<QLineEdit> yminTextField, ymaxTextField;
    QPointer<QLineEdit> zminTextField, zmaxTextField;

    // Set by the main window when the popover is about to open.
    std::function<void(double, double, double, double, double, double)> callback;

    // Fills the fields from the stored ranges (when all six are known).
    void viewDidLoad();
    // Reads the fields, stores them as the ranges and asks for the plot update.
    void popoverWillClose();

    void showBelow(QWidget* anchor);
    void setRepresentedObject(const QVariant& object);

signals:
    void closed(const QString& notification);
    void problem(const QString& message);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool closing_ = false;
};
