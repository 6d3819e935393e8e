// Saving the trace of the map shown to a file, and opening a trace file onto that map.
#pragma once

#include <QObject>
#include <QString>

class LineTracing;
class QWidget;

class TraceFiles : public QObject {
    Q_OBJECT
public:
    TraceFiles(QWidget* window, LineTracing* tracing);

    void save();
    // The dialog opens in folder (the data file's).
    void open(const QString& folder);

signals:
    void message(const QString& text);

private:
    QWidget* window_;
    LineTracing* tracing_;
};
