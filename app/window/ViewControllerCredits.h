// The credits window: the "Credits" text of the application's resources.
#pragma once

#include <QDialog>
#include <QPointer>

class QTextBrowser;

// The credits window and its text.
class ViewControllerCredits : public QDialog {
    Q_OBJECT
public:
    explicit ViewControllerCredits(QWidget* parent);

    QPointer<QTextBrowser> textView;

    void viewDidLoad();
    void setRepresentedObject(const QVariant& object);
};
