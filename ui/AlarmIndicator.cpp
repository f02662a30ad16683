#include "AlarmIndicator.h"

#include "DateTime.h"
#include "DisplayRules.h"
#include "SampleDisplay.h"

#include <QApplication>
#include <QLabel>

namespace {

// "0.35 µSv/h (2026/12/09 10:15)": the minute with its year in full, since a notification is
// read away from the log it belongs to.
QString NoticeBody(const LogRecord& record) {
    const DateTime::Parts at = DateTime::Decode(record.Time);
    return QStringLiteral("%1 µSv/h (%2)")
        .arg(DoseReadingText(record.Dose),
             QString::asprintf("%04d/%02d/%02d %02d:%02d", at.date.year, at.date.month, at.date.day,
                               at.time.hour, at.time.minute));
}

}  // namespace

AlarmIndicator::AlarmIndicator(QLabel* label, const DoseAlarm& alarm, QObject* parent)
    : QObject(parent), alarm_(alarm), label_(label) {
    label_->setStyleSheet(QStringLiteral("color: #d00000; font-weight: bold"));
    label_->hide();
    // Made at the first notice: a window whose alarm never changes never asks the desktop.
    Notify = [this](const DesktopNotice& notice) {
        if (!notifier_) {
            notifier_ = new DesktopNotifier({}, this);
        }
        notifier_->Show(notice);
    };
    Beep = [] { QApplication::beep(); };
}

void AlarmIndicator::Refresh() {
    UpdateLabel();
}

void AlarmIndicator::MinuteChecked(const AlarmStep& step, const LogRecord& record) {
    UpdateLabel();
    if ((step.Raised || step.Released) && Notify) {
        Notify({step.Raised ? tr("線量率の警報") : tr("線量率の警報が解除されました"),
                NoticeBody(record), step.Raised});
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
