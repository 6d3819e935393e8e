// File > Open Recent: the ten files opened last, most recent first, kept in the settings.
#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

class RecentFiles : public QObject {
    Q_OBJECT
public:
    RecentFiles(QMenu* menu, QObject* parent);

    QStringList files() const;
    void add(const QString& path);
    // A file that turned out to be refused.
    void remove(const QString& path);

signals:
    void chosen(const QString& path);

private:
    void rebuildMenu();
    QMenu* menu_;
};
