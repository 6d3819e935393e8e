// Help > Guide: a short guide to the parameters, the F-test and its contours, the units and
// typical values of cyclostratigraphy, tracing and the age model, the panels, the shortcuts (read
// from the menus of the window that opens it) and where the files go.
#pragma once

#include <QDialog>

class QTextBrowser;

class GuideDialog : public QDialog {
    Q_OBJECT
public:
    explicit GuideDialog(QWidget* parent);

    QTextBrowser* text;
};
