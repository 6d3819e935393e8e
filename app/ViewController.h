// The main window: the data file, its value column and header lines, the plot action, the
// axis ranges, the PDF export, the preferences and the credits, around the map.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class ViewControllerAxisControls;

class ViewController : public QMainWindow {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // Start-up: defaults, Qt paths, the plot with its placeholder, embedded in the plot area.
    void viewDidLoad();

    // Controls, by the names the rest of the shell uses.
    QLineEdit* inputFileBox = nullptr;
    QComboBox* dataColumnPopUp = nullptr;
    QCheckBox* skipHeadersCheckBox = nullptr;
    QSpinBox* skipHeaderRows = nullptr;
    QCheckBox* significanceCheckBox = nullptr;
    QPushButton* chooseButton = nullptr;
    QPushButton* plotButton = nullptr;
    QPushButton* axisControlsButton = nullptr;
    QPushButton* printButton = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QFrame* boxView = nullptr;

    bool skipHeaders = true;
    bool plotSignificanceContours = true;
    int skippedHeadersValue = 1;

    // The last message shown in the status bar.
    QString statusMessage() const;

    // The popover while it is open (null otherwise).
    ViewControllerAxisControls* axisControls() const { return axisControls_; }

public slots:
    void chooseFile();
    // What Choose does once a file is known: file box, window title, column pop-up.
    bool chooseFileAt(const QString& path);
    void setupPlot();
    void printImage();
    void openAxisControls();
    void prepareForSegue(const QString& identifier, QObject* destination);
    void applyAxisRanges(double xmin, double xmax, double ymin, double ymax, double zmin,
                         double zmax);
    void popoverDidClose(const QString& notification);
    void openPreferences();
    void showCredits();
    void setRepresentedObject(const QVariant& object);

private slots:
    void runStarted();
    void runFinished(bool shown, const QString& message);
    void pdfExported(bool written, const QString& fileName, const QString& message);

private:
    void buildWindow();
    void buildMenus();
    void embedPlot();
    void nudgeWindow();
    void report(const QString& message);
    void fillColumnPopUp(const QString& path);
    QUrl sampleDataFile() const;
    void updateTitle(const QString& path);

    QString pendingWarning_;
    QVariant representedObject_;
    ViewControllerAxisControls* axisControls_ = nullptr;
};
