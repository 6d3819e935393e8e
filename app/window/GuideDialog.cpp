#include "app/window/GuideDialog.h"

#include "app/services/PlatformServices.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// Every item of the menus that has a shortcut, menu by menu, as rows of a table.
void addRows(const QMenu* menu, const QString& path, QString& rows) {
    for (const QAction* a : menu->actions()) {
        const QString name = path + " &gt; " + QString(a->text()).remove('&').toHtmlEscaped();
        if (a->menu())
            addRows(a->menu(), name, rows);
        else if (!a->shortcut().isEmpty())
            rows += "<tr><td>" + a->shortcut().toString(QKeySequence::NativeText).toHtmlEscaped() +
                    "</td><td>" + name + "</td></tr>\n";
    }
}

QString shortcutTable(const QWidget* window) {
    QString rows;
    if (const auto* bar = window ? window->findChild<QMenuBar*>() : nullptr)
        for (const QAction* a : bar->actions())
            if (a->menu())
                addRows(a->menu(), QString(a->text()).remove('&').toHtmlEscaped(), rows);
    rows += "<tr><td>Left, Right</td><td>The previous, the next window (the map having the "
            "focus)</td></tr>\n";
    return "<table>\n" + rows + "</table>";
}

} // namespace

GuideDialog::GuideDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Tonalith Guide");
    resize(640, 640);
    text = new QTextBrowser(this);
    text->setOpenExternalLinks(true);
    QFile file(Platform::resourcePath("Guide.html"));
    const QString records = Platform::recordsFolder();
    if (file.open(QIODevice::ReadOnly))
        text->setHtml(QString::fromUtf8(file.readAll())
                          .replace("{records}", records.isEmpty()
                                                    ? QString("the working directory")
                                                    : "the folder " + records.toHtmlEscaped())
                          .replace("{shortcuts}", shortcutTable(parent)));
    else
        text->setPlainText("The guide is missing from this installation (Guide.html).");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
}
