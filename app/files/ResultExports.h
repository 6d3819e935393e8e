// File > Export Results and File > Export Map: the last run's rows or grids as text, and the map
// as a figure, each written whole or not at all.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

class ResultExports : public QObject {
    Q_OBJECT
public:
    explicit ResultExports(QWidget* window);

public slots:
    void exportResults();
    void exportMap();

signals:
    void message(const QString& text);

private:
    QWidget* window_;
};
