#include "cli/OffscreenApplication.h"

#include <QApplication>

namespace cli {

OffscreenApplication::OffscreenApplication(bool quiet) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (quiet)
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    application_ = std::make_unique<QApplication>(argc_, argv_);
}

OffscreenApplication::~OffscreenApplication() = default;

} // namespace cli
