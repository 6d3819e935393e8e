#include "app/window/RecentFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {
constexpr int recentFileCount = 10;
const char* const key = "recentFiles";
} // namespace

RecentFiles::RecentFiles(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
    rebuildMenu();
}

QStringList RecentFiles::files() const {
    return QSettings().value(key).toStringList();
}

void RecentFiles::add(const QString& path) {
    QStringList list = files();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > recentFileCount)
        list.removeLast();
    QSettings().setValue(key, list);
    rebuildMenu();
}

void RecentFiles::remove(const QString& path) {
    QStringList list = files();
    if (list.removeAll(path) == 0)
        return;
    QSettings().setValue(key, list);
    rebuildMenu();
}

void RecentFiles::rebuildMenu() {
    menu_->clear();
    const QStringList list = files();
    for (int i = 0; i < list.size(); ++i) {
        const QString& path = list[i];
        QAction* a =
            menu_->addAction(QString("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(path).fileName()));
        a->setToolTip(path);
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
    if (!list.isEmpty()) {
        menu_->addSeparator();
        menu_->addAction("Clear Menu", this, [this] {
            QSettings().remove(key);
            rebuildMenu();
        });
    }
    menu_->setEnabled(!list.isEmpty());
}
