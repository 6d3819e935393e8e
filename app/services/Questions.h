// Questions the window asks before it changes the user's work or settings: a text and its
// choices, the answer the index of the choice taken (-1: closed without a choice). The default
// shows a message box; tests install their own answers.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace Questions {

using Asker = std::function<int(QWidget*, const QString& title, const QString& text,
                                const QStringList& choices)>;
Asker& asker();

inline int ask(QWidget* parent, const QString& title, const QString& text,
               const QStringList& choices) {
    return asker()(parent, title, text, choices);
}

} // namespace Questions
