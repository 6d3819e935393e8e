#include "app/WindowState.h"

#include <QAction>
#include <QMainWindow>
#include <QSettings>
#include <QSplitter>

WindowState::WindowState(QMainWindow* window, QSplitter* splitter, Views views)
    : window_(window), splitter_(splitter), views_(std::move(views)) {}

void WindowState::restore() const {
    QSettings settings;
    if (settings.contains("window/geometry"))
        window_->restoreGeometry(settings.value("window/geometry").toByteArray());
    for (const auto& [key, action] : views_)
        action->setChecked(settings.value(key, false).toBool());
    if (settings.contains("window/splitter"))
        splitter_->restoreState(settings.value("window/splitter").toByteArray());
}

void WindowState::save() const {
    QSettings settings;
    settings.setValue("window/geometry", window_->saveGeometry());
    settings.setValue("window/splitter", splitter_->saveState());
    for (const auto& [key, action] : views_)
        settings.setValue(key, action->isChecked());
}
