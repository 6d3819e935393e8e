// Help > Guide: a short guide to the parameters, the F-test and its contours, the units and
// typical values of cyclostratigraphy, the shortcuts and where the files go.
#pragma once

#include <QDialog>

class QTextBrowser;

class GuideDialog : public QDialog {
    Q_OBJECT
public:
    explicit GuideDialog(QWidget* parent);

    QTextBrowser* text;
};
