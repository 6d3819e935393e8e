#include "app/AppDelegate.h"

#include "app/ViewController.h"

void AppDelegate::applicationDidFinishLaunching(const QStringList& arguments) {
    window_ = new ViewController();
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->show();
    // tonalith [FILE]: FILE is chosen as the Choose button would choose it.
    if (arguments.size() > 1)
        window_->chooseFileAt(arguments.at(1));
}
