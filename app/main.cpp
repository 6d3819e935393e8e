// Tonalith: evolutive multitaper harmonic analysis of one measured series.
#include "app/window/AppDelegate.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The Qt application exists before any widget; its event loop runs on the main thread.
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Tonalith");
    QApplication::setApplicationName("Tonalith");
    QApplication::setApplicationVersion(TONALITH_VERSION);
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching(QApplication::arguments());
    QApplication::exec();
    return 0;
}
