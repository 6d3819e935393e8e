#include "app/window/WindowState.h"

#include <QAction>
#include <QMainWindow>
#include <QSettings>

namespace {
// Raised when the panels change so that an older arrangement no longer fits them.
constexpr int arrangementVersion = 1;
} // namespace

WindowState::WindowState(QMainWindow* window, Views views)
    : window_(window), views_(std::move(views)) {}

void WindowState::restore() const {
    QSettings settings;
    if (settings.contains("window/geometry"))
        window_->restoreGeometry(settings.value("window/geometry").toByteArray());
    for (const auto& [key, action] : views_)
        action->setChecked(settings.value(key, false).toBool());
    if (settings.contains("window/panels"))
        window_->restoreState(settings.value("window/panels").toByteArray(), arrangementVersion);
}

void WindowState::save() const {
    QSettings settings;
    settings.setValue("window/geometry", window_->saveGeometry());
    settings.setValue("window/panels", window_->saveState(arrangementVersion));
    for (const auto& [key, action] : views_)
        settings.setValue(key, action->isChecked());
}
