#include "app/window/AppDelegate.h"

#include "app/services/PlatformServices.h"
#include "core/service/AnalysisService.h"

#include "app/window/ViewController.h"

void AppDelegate::applicationDidFinishLaunching(const QStringList& arguments) {
    // The engine's records go to the user's data folder, not wherever the application started.
    service::setRecordsFolder(Platform::recordsFolder().toStdString());
    window_ = new ViewController();
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->show();
    // tonalith [FILE]: a session file (.json) is opened as a session, any other FILE chosen as
    // the Choose button would choose it.
    if (arguments.size() < 2)
        return;
    const QString& file = arguments.at(1);
    if (file.endsWith(".json", Qt::CaseInsensitive))
        window_->openSessionAt(file);
    else
        window_->chooseFileAt(file);
}
