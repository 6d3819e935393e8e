#include "app/window/MessageBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

MessageBar::MessageBar(QWidget* parent) : QFrame(parent) {
    setObjectName("messageBar");
    setFrameShape(QFrame::StyledPanel);
    // The warning colours of the desktop's tooltips: readable in light and dark themes.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    auto* row = new QHBoxLayout(this);
    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
    text = new QLabel(this);
    text->setWordWrap(true);
    // A long path is one word that wrapping cannot break: it is cut, not let widen the window.
    text->setMinimumWidth(fontMetrics().averageCharWidth() * 20);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setForegroundRole(QPalette::ToolTipText);
    dismiss = new QPushButton("Dismiss", this);
    dismiss->setToolTip("Hide this message (it stays in the status bar)");
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    row->addWidget(dismiss, 0, Qt::AlignTop);
    connect(dismiss, &QPushButton::clicked, this, &QWidget::hide);
    hide();
}

void MessageBar::showMessage(const QString& message) {
    text->setText(message);
    show();
}
