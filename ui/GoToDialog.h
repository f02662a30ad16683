#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <variant>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for a time in the log's own form and finds its sample; a time that does not parse or
// has no sample at or after it is said in the dialog, which stays open.
class GoToDialog : public QDialog {
    Q_OBJECT

public:
    // A sample's index, or the reason there is none.
    using Finder = std::function<std::variant<int, QString>(const QString& text)>;

    GoToDialog(Finder find, QWidget* parent = nullptr);

    QLineEdit* Time = nullptr;
    QPushButton* OKBtn = nullptr;
    QLabel* Reason = nullptr;

    // The sample found when the dialog closed with Accepted.
    int Found = -1;

    void OKBtnClick();

private:
    Finder find_;
};
