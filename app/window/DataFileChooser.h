// The row above the map that names the data file: Choose, the file box, the value column and the
// header lines to skip. Choosing a file reads its column titles and offers them.
#pragma once

#include "core/series/SeriesFile.h"

#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class DataFileChooser : public QWidget {
    Q_OBJECT
public:
    DataFileChooser(QWidget* parent, int headerLines);

    QPushButton* chooseButton = nullptr;
    QLineEdit* inputFileBox = nullptr;
    QComboBox* dataColumnPopUp = nullptr;
    QCheckBox* skipHeadersCheckBox = nullptr;
    QSpinBox* skipHeaderRows = nullptr;

    // The file whose columns the pop-up offers (empty before the first).
    const QString& file() const { return file_; }
    // The data file the box names (a typed path or a file: URL), absolute; empty when none.
    QString pathInBox() const;
    // The header lines a run skips.
    int headerLines() const;
    // The chosen value column, 1 for the first; 0 when none is chosen.
    int column() const;
    // Offers the columns found by a run of a file whose columns were not known.
    void offerColumns(const std::vector<std::string>& titles);
    // The chosen column of the chosen file, when it reads as a series of two values or more.
    std::optional<series::Series> chosenSeries() const;

public slots:
    // The file dialog, opened at the folder of the file chosen last.
    void choose();
    // The file box, the title and the column pop-up for path; false when its columns cannot be
    // read or its numbers use a decimal comma (refused says why): the box, the pop-up and the
    // series then stay on the file chosen before, and the refused file goes to no list.
    bool chooseAt(const QString& path);

signals:
    // A file was named and its columns read.
    void fileNamed(const QString& file);
    // Its columns were read: it may go to Open Recent.
    void fileRead(const QString& file);
    // Another column is offered or chosen.
    void columnChosen();
    void refused(const QString& text);
    void message(const QString& text);

private:
    bool refuse(const QString& text);
    QString file_;
};
