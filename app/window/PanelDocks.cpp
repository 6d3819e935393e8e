#include "app/window/PanelDocks.h"

#include <QAction>
#include <QBoxLayout>
#include <QDockWidget>
#include <QMainWindow>
#include <QScrollArea>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace {

// What a dock holds: its panel, scrolled when the dock is smaller. It asks for the panel's
// least width, so that every label reads in full when there is room, and at least a share of
// the window (a side panel a third of its width, the series a fifth of its height), not for
// the panel's whole size, so that the map keeps most of the window; it needs no more than a
// little, so that panels docked on both sides never make the window grow.
class PanelHolder : public QScrollArea {
public:
    PanelHolder(QWidget* panel, QWidget* parent, bool scrolls) : QScrollArea(parent) {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setWidget(panel);
        if (!scrolls) {
            setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
    }
    QSize sizeHint() const override {
        const QSize panel = widget()->sizeHint();
        const QSize room = window()->size();
        if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff)
            return {panel.width(), std::min(panel.height(), room.height() / 5)};
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        const int least = widget()->minimumSizeHint().width() + bar;
        return {std::max(least, std::min(panel.width(), room.width() / 3)), panel.height()};
    }
};

// Side by side in a wide dock, one above the other in a tall one.
void followShape(QWidget* panel, Qt::DockWidgetArea area) {
    auto* box = qobject_cast<QBoxLayout*>(panel->layout());
    if (!box || area == Qt::NoDockWidgetArea)
        return;
    const bool tall = area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
    box->setDirection(tall ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
}

// The action shows and hides the holder, and follows it when the user closes it.
void tie(QAction* action, QWidget* holder, QAction* holderToggle) {
    action->setCheckable(true);
    action->setChecked(!holder->isHidden());
    QObject::connect(action, &QAction::toggled, holder, [holder](bool on) {
        holder->setVisible(on);
        if (on)
            holder->raise(); // the current tab when tabbed
    });
    QObject::connect(holderToggle, &QAction::toggled, action, &QAction::setChecked);
}

} // namespace

PanelDocks::PanelDocks(QMainWindow* window) : QObject(window), window_(window) {
    window_->setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                            QMainWindow::AllowNestedDocks | QMainWindow::GroupedDragging);
    // The side docks take the corners, so that a dock above the map spans the map alone.
    window_->setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
    window_->setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    window_->setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
    window_->setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
}

QDockWidget* PanelDocks::addPanel(QWidget* panel, const QString& title, const QString& objectName,
                                  Qt::DockWidgetArea side, QAction* action, bool scrolls) {
    auto* dock = new QDockWidget(title, window_);
    dock->setObjectName(objectName);
    dock->setWidget(new PanelHolder(panel, dock, scrolls));
    panel->show();
    followShape(panel, side);
    connect(dock, &QDockWidget::dockLocationChanged, panel,
            [panel](Qt::DockWidgetArea area) { followShape(panel, area); });
    window_->addDockWidget(side, dock);
    // The side panels share one tabbed dock at first, which fits a laptop's screen.
    for (QDockWidget* other : qAsConst(docks_))
        if (side != Qt::TopDockWidgetArea && window_->dockWidgetArea(other) == side) {
            window_->tabifyDockWidget(other, dock);
            break;
        }
    dock->hide();
    tie(action, dock, dock->toggleViewAction());
    docks_ << dock;
    return dock;
}

QToolBar* PanelDocks::addBar(QWidget* bar, const QString& title, const QString& objectName,
                             QAction* action) {
    window_->addToolBarBreak();
    auto* holder = new QToolBar(title, window_);
    holder->setObjectName(objectName);
    holder->addWidget(bar);
    bar->show();
    window_->addToolBar(Qt::TopToolBarArea, holder);
    holder->hide();
    tie(action, holder, holder->toggleViewAction());
    return holder;
}

QDockWidget* PanelDocks::dockOf(const QWidget* panel) {
    for (QWidget* w = panel ? panel->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* dock = qobject_cast<QDockWidget*>(w))
            return dock;
    return nullptr;
}
