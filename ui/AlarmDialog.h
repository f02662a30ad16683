#pragma once

#include "DoseAlarm.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The alarm's settings: a threshold in µSv/h (0: off) and whether to beep. Like the settings
// dialog it exchanges values only through Settings, filled before it is shown and read after
// it closed with Accepted; the close box cancels.
class AlarmDialog : public QDialog {
    Q_OBJECT

public:
    explicit AlarmDialog(QWidget* parent = nullptr);

    QLineEdit* Threshold = nullptr;
    QCheckBox* Sound = nullptr;
    QPushButton* OKBtn = nullptr;
    QLabel* Reason = nullptr;  // why 確定 refused the threshold; empty otherwise

    AlarmSettings Settings;

    // Fills the boxes from Settings; runs each time the dialog is shown.
    void FormShow();
    // Takes a threshold that is a finite number of at least 0 and accepts; otherwise says why
    // and stays open.
    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
};
