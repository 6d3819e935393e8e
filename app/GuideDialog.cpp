#include "app/GuideDialog.h"

#include "app/PlatformServices.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

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
                                                    : "the folder " + records.toHtmlEscaped()));
    else
        text->setPlainText("The guide is missing from this installation (Guide.html).");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
}
