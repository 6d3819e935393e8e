#include "app/ViewControllerCredits.h"

#include "app/PlatformServices.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

ViewControllerCredits::ViewControllerCredits(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Credits");
    resize(560, 520);
    textView = new QTextBrowser(this);
    textView->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(textView);
    viewDidLoad();
}

void ViewControllerCredits::setRepresentedObject(const QVariant&) {
    Platform::say("did Set");
}

void ViewControllerCredits::viewDidLoad() {
    const QString path = Platform::resourcePath("Credits");
    if (path.isEmpty())
        return;
    setRepresentedObject(path);
    QFile file(path);
    if (textView && file.open(QIODevice::ReadOnly))
        textView->setHtml(QString::fromUtf8(file.readAll()));
}
