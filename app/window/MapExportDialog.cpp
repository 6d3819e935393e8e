#include "app/window/MapExportDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

MapExportDialog::MapExportDialog(QWidget* parent, const QString& extension, const QString& text)
    : QDialog(parent) {
    setWindowTitle("Export Map");
    const bool pixels = extension == "png";
    width = new QDoubleSpinBox(this);
    height = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* side : {width, height}) {
        side->setDecimals(pixels ? 0 : 1);
        side->setRange(pixels ? 100 : 30, pixels ? 20000 : 2000);
        side->setSuffix(pixels ? " px" : " mm");
    }
    width->setValue(pixels ? 1200 : 297);
    height->setValue(pixels ? 800 : 210);
    withTitle = new QCheckBox("Title line", this);
    title = new QLineEdit(text, this);
    title->setEnabled(false);
    connect(withTitle, &QCheckBox::toggled, title, &QWidget::setEnabled);
    auto* form = new QFormLayout();
    form->addRow("Width:", width);
    form->addRow("Height:", height);
    form->addRow(withTitle, title);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(560, sizeHint().height());
}

MapExportOptions MapExportDialog::options() const {
    return {width->value(), height->value(), withTitle->isChecked() ? title->text() : QString()};
}

MapExportDialog::Chooser& MapExportDialog::chooser() {
    static Chooser ask = [](QWidget* parent, const QString& extension, const QString& title) {
        MapExportDialog dialog(parent, extension, title);
        return dialog.exec() == QDialog::Accepted ? std::optional(dialog.options()) : std::nullopt;
    };
    return ask;
}
