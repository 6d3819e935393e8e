// Asked when the map is exported: the figure's size (pixels for PNG, millimetres for PDF and
// SVG; A4 landscape for a PDF by default) and an optional title line naming the file, the
// column and the parameters.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;

struct MapExportOptions {
    double width = 0, height = 0; // 0: the format's default
    QString title;                // empty: no title line
};

class MapExportDialog : public QDialog {
    Q_OBJECT
public:
    // extension: "pdf", "png" or "svg"; title: the line proposed.
    MapExportDialog(QWidget* parent, const QString& extension, const QString& text);
    MapExportOptions options() const;

    QDoubleSpinBox* width;
    QDoubleSpinBox* height;
    QCheckBox* withTitle;
    QLineEdit* title;

    // (parent, extension, proposed title) -> the options, or nothing when cancelled. The
    // default shows the dialog; tests install their own.
    using Chooser =
        std::function<std::optional<MapExportOptions>(QWidget*, const QString&, const QString&)>;
    static Chooser& chooser();
};
