#include "GoToDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

GoToDialog::GoToDialog(Finder find, QWidget* parent) : QDialog(parent), find_(std::move(find)) {
    setWindowTitle(tr("移動"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    auto* prompt = new QLabel(tr("日時 (yy/mm/dd, hh:nn または yy/mm/dd)"), this);
    Time = new QLineEdit(this);
    Time->setObjectName(QStringLiteral("Time"));
    Time->setPlaceholderText(QStringLiteral("26/12/08, 14:30"));
    OKBtn = new QPushButton(tr("移動"), this);
    OKBtn->setDefault(true);
    Reason = new QLabel(this);
    Reason->setStyleSheet(QStringLiteral("color: #b00000"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Reason, 1);
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(Time);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKBtn, &QPushButton::clicked, this, &GoToDialog::OKBtnClick);
    connect(Time, &QLineEdit::textEdited, Reason, &QLabel::clear);
}

void GoToDialog::OKBtnClick() {
    const std::variant<int, QString> result = find_(Time->text());
    if (const QString* reason = std::get_if<QString>(&result)) {
        Reason->setText(*reason);
        Time->setFocus(Qt::OtherFocusReason);
        Time->selectAll();
        return;
    }
    Found = std::get<int>(result);
    accept();
}
