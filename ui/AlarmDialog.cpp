#include "AlarmDialog.h"

#include "NumberFormat.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>

AlarmDialog::AlarmDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("警報"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Threshold = new QLineEdit(this);
    Threshold->setObjectName(QStringLiteral("Threshold"));
    Threshold->setToolTip(tr("µSv/h。0 で警報なし"));
    Sound = new QCheckBox(tr("音で知らせる"), this);
    Sound->setObjectName(QStringLiteral("Sound"));
    OKBtn = new QPushButton(tr("確定"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    Reason = new QLabel(this);
    Reason->setObjectName(QStringLiteral("Reason"));
    Reason->setStyleSheet(QStringLiteral("color: #b00000"));

    auto* form = new QFormLayout;
    form->addRow(tr("警報値 (µSv/h)"), Threshold);
    form->addRow(QString(), Sound);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Reason, 1);
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKBtn, &QPushButton::clicked, this, &AlarmDialog::OKBtnClick);
    connect(Threshold, &QLineEdit::textEdited, Reason, &QLabel::clear);
}

void AlarmDialog::FormShow() {
    Threshold->setText(NumberFormat::FormatGeneral(Settings.ThresholdUsv));
    Sound->setChecked(Settings.Sound);
    Reason->clear();
}

void AlarmDialog::OKBtnClick() {
    const std::optional<double> threshold = NumberFormat::ParseFloat(Threshold->text());
    if (!threshold || !std::isfinite(*threshold) || *threshold < 0) {
        Reason->setText(tr("0 以上の数を入力してください"));
        Threshold->setFocus(Qt::OtherFocusReason);
        Threshold->selectAll();
        return;
    }
    Settings = {*threshold, Sound->isChecked()};
    accept();
}

void AlarmDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}
