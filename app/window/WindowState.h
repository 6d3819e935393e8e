// The window as the user left it, kept in the settings between sessions: its geometry, the
// places of its panels and bars (docked, tabbed or floating) and which views are on.
#pragma once

#include <utility>
#include <vector>

class QAction;
class QMainWindow;

class WindowState {
public:
    // Each view by its settings key ("view/...") and the action that shows it.
    using Views = std::vector<std::pair<const char*, QAction*>>;
    WindowState(QMainWindow* window, Views views);

    void restore() const;
    void save() const;

private:
    QMainWindow* window_;
    Views views_;
};
