#include "app/window/DataFileChooser.h"

#include "app/services/PlatformServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>

DataFileChooser::DataFileChooser(QWidget* parent, int headerLines) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    chooseButton = new QPushButton("Choose...", this);
    chooseButton->setToolTip(
        "Choose a data file (Ctrl+O); a file can also be dropped on the window");
    inputFileBox = new QLineEdit(this);
    inputFileBox->setPlaceholderText("A data file (the sample etp.txt when empty)");
    dataColumnPopUp = new QComboBox(this);
    dataColumnPopUp->setMinimumContentsLength(14);
    skipHeadersCheckBox = new QCheckBox("Skip", this);
    skipHeadersCheckBox->setToolTip(
        "Skip header lines at the top of the file; the first line names the columns");
    skipHeaderRows = new QSpinBox(this);
    skipHeaderRows->setRange(0, 1000000);
    skipHeaderRows->setValue(headerLines);
    skipHeaderRows->setToolTip("Number of header lines to skip");
    row->addWidget(chooseButton);
    row->addWidget(inputFileBox, 1);
    row->addWidget(new QLabel("Column", this));
    row->addWidget(dataColumnPopUp);
    row->addWidget(skipHeadersCheckBox);
    row->addWidget(skipHeaderRows);

    connect(chooseButton, &QPushButton::clicked, this, &DataFileChooser::choose);
    // A path typed into the box brings its own columns as soon as it is entered.
    connect(inputFileBox, &QLineEdit::editingFinished, this, [this] {
        const QString path = pathInBox();
        if (!path.isEmpty() && path != file_)
            chooseAt(path);
    });
    connect(dataColumnPopUp, QOverload<int>::of(&QComboBox::activated), this,
            &DataFileChooser::columnChosen);
    connect(skipHeadersCheckBox, &QCheckBox::toggled, skipHeaderRows, &QWidget::setEnabled);
}

QString DataFileChooser::pathInBox() const {
    const QString text = inputFileBox->text().trimmed();
    if (text.isEmpty())
        return QString();
    const QString local = text.startsWith("file:") ? QUrl(text).toLocalFile() : text;
    return local.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(local).absoluteFilePath());
}

int DataFileChooser::headerLines() const {
    return skipHeadersCheckBox->isChecked() ? skipHeaderRows->value() : 0;
}

int DataFileChooser::column() const {
    return dataColumnPopUp->currentIndex() + 1;
}

void DataFileChooser::offerColumns(const std::vector<std::string>& titles) {
    for (const std::string& title : titles)
        dataColumnPopUp->addItem(QString::fromStdString(title));
    dataColumnPopUp->setCurrentIndex(0);
}

std::optional<series::Series> DataFileChooser::chosenSeries() const {
    if (file_.isEmpty() || column() < 1)
        return std::nullopt;
    std::string why;
    const auto text = series::readText(file_.toStdString(), &why);
    auto s = text ? series::parseSeries(*text, headerLines(), column(), &why) : std::nullopt;
    if (!s || s->xpos.size() < 2)
        return std::nullopt;
    return s;
}

void DataFileChooser::choose() {
    const QString current = !file_.isEmpty() ? file_ : pathInBox();
    const QString path = Platform::chooseOpenFile(
        this, "Select Text File",
        "Text files (*.txt *.tab *.TXT *.TAB *.csv *.CSV *.tsv *.TSV *.dat *.DAT);;All files (*)",
        current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
    if (path.isEmpty()) {
        Platform::say("file selection was canceled");
        emit message("File selection was canceled.");
        return;
    }
    chooseAt(path);
}

bool DataFileChooser::chooseAt(const QString& path) {
    const QString local = QUrl(path).isLocalFile() ? QUrl(path).toLocalFile() : path;
    const QString file = QDir::cleanPath(QFileInfo(local).absoluteFilePath());
    inputFileBox->setText(file);
    Platform::say("file selected: " + file);

    std::string why;
    const auto text = series::readText(file.toStdString(), &why);
    const QString name = QFileInfo(file).fileName();
    if (!text)
        return refuse(QString("Cannot read %1: %2.").arg(name, QString::fromStdString(why)));
    const auto titles = series::columnTitles(series::titleLine(series::splitLines(*text)),
                                             skipHeadersCheckBox->isChecked());
    if (titles.empty())
        return refuse(
            QString("%1 offers no value column: %2.")
                .arg(name, QString::fromStdString(series::explainEmptySeries(*text, 0, 1))));
    // Numbers written with a decimal comma would only be refused at Plot: said now, with the fix.
    const int skip = skipHeadersCheckBox->isChecked() ? skipHeaderRows->value() : 0;
    const auto first = series::parseSeries(*text, skip, 1, &why);
    if (!first || first->xpos.empty()) {
        const std::string empty = series::explainEmptySeries(*text, skip, 1);
        if (empty.find("decimal comma") != std::string::npos)
            return refuse(QString("%1 has no data: %2. Replace each decimal comma with a point (a "
                                  "spreadsheet saves so with a point as its decimal separator) "
                                  "and choose the file again.")
                              .arg(name, QString::fromStdString(empty)));
    }
    emit fileNamed(file);
    file_ = file;
    dataColumnPopUp->clear();
    offerColumns(titles);
    emit fileRead(file);
    emit columnChosen();
    emit message(QString("%1: %2 value column%3. Choose one and press Plot.")
                     .arg(name)
                     .arg(titles.size())
                     .arg(titles.size() == 1 ? "" : "s"));
    return true;
}

bool DataFileChooser::refuse(const QString& text) {
    // The box goes back to the file whose columns the pop-up still offers.
    inputFileBox->setText(file_);
    emit refused(text);
    return false;
}
