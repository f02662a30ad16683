#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

// The settings dialog: shows and edits the two graph settings and the counter's two settings.
// It exchanges values only through its four copies, which the caller fills before showing it
// and reads after it closed with Accepted. There is no cancel button; the close box cancels.
class TOKRightDlg : public QDialog {
    Q_OBJECT

public:
    explicit TOKRightDlg(QWidget* parent = nullptr);

    QPushButton* OKBtn = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    // Why 確定 refused a box, beside the button; cleared by the next edit.
    QLabel* ReasonLabel = nullptr;

    double GraphCoefficient = 0;
    std::int32_t GraphBackground = 0;
    std::uint16_t DeviceCoefficient = 0;
    std::uint16_t DeviceBackground = 0;
    // The counter's values that the two device boxes stand for: filled with the copies before
    // showing, renewed by CounterValuesRead. A device copy that differs from these after OK is
    // what the user entered.
    std::uint16_t ReadDeviceCoefficient = 0;
    std::uint16_t ReadDeviceBackground = 0;

    // Fills the four boxes from the copies; runs each time the dialog is shown.
    void FormShow();
    // The counter's values as read while the dialog is open (a reconnect's handshake): a device
    // box the user has not edited takes the new value; an edited one keeps its text, and the
    // note beside 確定 says that the counter was read again.
    void CounterValuesRead(std::uint16_t coefficient, std::uint16_t background);
    // Converts the four boxes; on success stores them in the copies and accepts. On the first
    // box that does not convert (or holds a device value outside 0..65535) nothing is stored,
    // the dialog stays open, that box gets the focus with its text selected and ReasonLabel
    // says what the box takes.
    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CentreOnScreen();
    void Refuse(QLineEdit* box, const char* reason);
};
