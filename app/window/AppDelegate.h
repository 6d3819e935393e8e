// The application object's delegate: opens the main window at launch, with the data file or the
// session named on the command line (so that "open with" from a file manager works).
#pragma once

#include <QObject>
#include <QStringList>

class ViewController;

// The application's start-up and the main window it opens.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    void applicationDidFinishLaunching(const QStringList& arguments);
    ViewController* window() const { return window_; }

private:
    ViewController* window_ = nullptr;
};
