#pragma once

#include "MqttPublisher.h"
#include "MqttSettings.h"
#include "MqttWindowSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The window's publishing: broker URL, station id, user, password, CA file and discovery, and a
// connection test that says in words what happened. Exchanges values only through Settings and
// Password, filled before it is shown and read after it closed with Accepted.
class MqttDialog : public QDialog {
    Q_OBJECT

public:
    explicit MqttDialog(QWidget* parent = nullptr);

    QCheckBox* Enabled = nullptr;
    QLineEdit* Url = nullptr;
    QLineEdit* StationId = nullptr;
    QLineEdit* User = nullptr;
    QLineEdit* PasswordBox = nullptr;
    QLineEdit* CaFile = nullptr;
    QCheckBox* Discovery = nullptr;
    QPushButton* TestBtn = nullptr;
    QLabel* Result = nullptr;  // the connection test's outcome, or why 確定 refused the boxes
    QPushButton* OKBtn = nullptr;

    MqttWindowSettings Settings;
    QString Password;

    // Fills the boxes; runs each time the dialog is shown.
    void FormShow();
    // Takes the boxes when the URL and the id are usable (or publishing is off) and accepts;
    // otherwise says why and stays open.
    void OKBtnClick();
    // Connects once with the boxes' settings; Result says how it went, then TestFinished.
    void TestClick();

signals:
    void TestFinished(bool connected);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The boxes as settings; nothing, with Result saying why, when they are not usable.
    std::optional<MqttSettings> ReadBoxes();

    MqttPublisher* probe_ = nullptr;
};
