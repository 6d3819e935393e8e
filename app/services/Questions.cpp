#include "app/services/Questions.h"

#include <QMessageBox>
#include <QPushButton>

namespace Questions {

Asker& asker() {
    static Asker a = [](QWidget* parent, const QString& title, const QString& text,
                        const QStringList& choices) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
        QList<QAbstractButton*> buttons;
        for (const QString& c : choices)
            buttons << box.addButton(c, buttons.isEmpty() ? QMessageBox::AcceptRole
                                                          : QMessageBox::RejectRole);
        if (!buttons.isEmpty())
            box.setEscapeButton(buttons.last());
        box.exec();
        return buttons.indexOf(box.clickedButton());
    };
    return a;
}

} // namespace Questions
