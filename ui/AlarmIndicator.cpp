#include "AlarmIndicator.h"

#include "DateTime.h"
#include "DisplayRules.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QSystemTrayIcon>

AlarmIndicator::AlarmIndicator(QLabel* label, const DoseAlarm& alarm, QObject* parent)
    : QObject(parent), alarm_(alarm), label_(label) {
    label_->setStyleSheet(QStringLiteral("color: #d00000; font-weight: bold"));
    label_->hide();
    Notify = [this](const QString& text) { ShowNotification(text); };
    Beep = [] { QApplication::beep(); };
}

void AlarmIndicator::Refresh() {
    UpdateLabel();
}

void AlarmIndicator::MinuteChecked(const AlarmStep& step) {
    UpdateLabel();
    if (step.Raised && Notify) {
        Notify(label_->text());
    }
    if (step.Above && alarm_.Settings().Sound && Beep) {
        Beep();
    }
}

void AlarmIndicator::UpdateLabel() {
    if (!alarm_.Raised()) {
        label_->clear();
        label_->hide();
        return;
    }
    label_->setText(tr("警報: %1 µSv/h (%2)")
                        .arg(DoseReadingText(alarm_.LastAboveDose()),
                             DateTime::MinuteText(alarm_.LastAboveTime())));
    label_->show();
}

void AlarmIndicator::ShowNotification(const QString& text) {
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) {
        return;
    }
    if (!tray_) {
        tray_ = new QSystemTrayIcon(this);
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull()) {
            icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        }
        tray_->setIcon(icon);
        tray_->show();
    }
    tray_->showMessage(tr("ソラミネ"), text, QSystemTrayIcon::Warning);
}
