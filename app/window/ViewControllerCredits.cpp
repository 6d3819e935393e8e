#include "app/window/ViewControllerCredits.h"

#include "app/services/PlatformServices.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QTextBrowser>
#include <QVBoxLayout>

ViewControllerCredits::ViewControllerCredits(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Credits");
    resize(560, 520);
    textView = new QTextBrowser(this);
    textView->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    auto* version = new QLabel("Tonalith " + QCoreApplication::applicationVersion(), this);
    version->setObjectName("version");
    layout->addWidget(version);
    layout->addWidget(textView);
    // Escape closes the dialog as well (QDialog's own).
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
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
