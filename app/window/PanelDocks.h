// The panels around the map as dock widgets and bars: each shown and hidden from the View menu,
// closed, floated, tabbed with another or moved to another side. At first the side panels share
// one tabbed dock, which fits a laptop's screen; the user may stack them on a larger one.
#pragma once

#include <QObject>
#include <QString>
#include <QVector>

class QAction;
class QDockWidget;
class QMainWindow;
class QToolBar;
class QWidget;

class PanelDocks : public QObject {
    Q_OBJECT
public:
    explicit PanelDocks(QMainWindow* window);

    // The panel in a dock on side (the window's left or right for the side panels, the top for
    // the series), tabbed with the panels already on that side (but the top), shown and hidden
    // by action (made checkable; a panel shown comes to the front of its tabs). A panel taller or
    // wider than its dock scrolls (unless scrolls is false: the panel then shrinks), so that no
    // panel makes the window grow. objectName keeps the dock's place in the saved window state.
    QDockWidget* addPanel(QWidget* panel, const QString& title, const QString& objectName,
                          Qt::DockWidgetArea side, QAction* action, bool scrolls = true);
    // A one-row bar (a tool bar on its own row at the top), shown and hidden by action.
    QToolBar* addBar(QWidget* bar, const QString& title, const QString& objectName,
                     QAction* action);

    const QVector<QDockWidget*>& docks() const { return docks_; }
    // The dock holding panel (null when none).
    static QDockWidget* dockOf(const QWidget* panel);

private:
    QMainWindow* window_;
    QVector<QDockWidget*> docks_;
};
