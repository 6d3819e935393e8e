// The window as the user left it, kept in the settings between sessions: its geometry, the
// division of the map's splitter and which views are on.
#pragma once

#include <utility>
#include <vector>

class QAction;
class QMainWindow;
class QSplitter;

class WindowState {
public:
    // Each view by its settings key ("view/...") and the action that shows it.
    using Views = std::vector<std::pair<const char*, QAction*>>;
    WindowState(QMainWindow* window, QSplitter* splitter, Views views);

    void restore() const;
    void save() const;

private:
    QMainWindow* window_;
    QSplitter* splitter_;
    Views views_;
};
