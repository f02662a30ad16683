#pragma once

#include "MapWindowSettings.h"

#include <QDialog>
#include <array>

class MapUploader;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

// The window's uploads to the public maps: a page per service with its login, on/off, its pace
// and a test that sends one reading and says in words what the service answered. Exchanges
// values only through Settings (secrets included), filled before it is shown and read after it
// closed with Accepted, and takes the test's reading from Reading.
class MapDialog : public QDialog {
    Q_OBJECT

public:
    explicit MapDialog(QWidget* parent = nullptr);

    // What every service's page has.
    struct Page {
        QCheckBox* Enabled = nullptr;
        QSpinBox* Every = nullptr;  // minutes
        QPushButton* TestBtn = nullptr;
        QLabel* Result = nullptr;  // the test's outcome, or why 確定 refused the boxes
    };

    QTabWidget* Pages = nullptr;
    QLineEdit* RadmonUser = nullptr;
    QLineEdit* RadmonPassword = nullptr;
    QLineEdit* GmcAccount = nullptr;
    QLineEdit* GmcCounter = nullptr;
    QLineEdit* Latitude = nullptr;
    QLineEdit* Longitude = nullptr;
    QLineEdit* SafecastKey = nullptr;
    QLineEdit* SafecastDevice = nullptr;
    QPushButton* OKBtn = nullptr;

    MapWindowSettings Settings;
    MapReading Reading;          // what a test sends
    bool SampleReading = false;  // Reading is a sample, not a minute of the log
    int TestTimeoutMs = 10000;

    Page& PageOf(MapService service) { return pages_[size_t(service)]; }
    // Fills the boxes; runs each time the dialog is shown.
    void FormShow();
    // Takes the boxes when every map that is on can be used and accepts; otherwise shows the
    // page that cannot, says why there and stays open.
    void OKBtnClick();
    // Sends Reading once to service by the boxes; its page says how it went, then TestFinished.
    void TestClick(MapService service);

signals:
    void TestFinished(MapService service, bool accepted);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The boxes of service's page into upload; false, with the page saying why, when they
    // cannot be used.
    bool ReadPage(MapService service, MapUpload& upload);

    std::array<Page, 3> pages_;  // by MapService
    std::array<MapUploader*, 3> probes_{};
};
