#include "StatusLine.h"

#include "DeviceLink.h"
#include "DisplayRules.h"
#include "HelpMenu.h"
#include "LoggingSession.h"
#include "SampleLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QStatusBar>
#include <QStringList>
#include <cmath>

StatusState::Link LinkStatusOf(const LoggingSession& session) {
    if (session.Link().Connected()) {
        return StatusState::Link::Connected;
    }
    if (session.State() == LinkKeeper::State::Lost) {
        return StatusState::Link::Waiting;
    }
    return session.Link().ReaderActive() ? StatusState::Link::NotFound
                                         : StatusState::Link::NotConnected;
}

namespace {

// Long enough to read twice; the status bar's own texts come back after it.
constexpr int kLeftOutMs = 10'000;

}  // namespace

StatusLine::StatusLine(QStatusBar* bar)
    : bar_(bar),
      link_(new QLabel(bar)),
      count_(new QLabel(bar)),
      file_(new QLabel(bar)),
      reading_(new QLabel(bar)),
      alarm_(new QLabel(bar)),
      notice_(new QLabel(bar)),
      mqtt_(new QLabel(bar)) {
    bar->addWidget(link_);
    bar->addWidget(count_);
    bar->addWidget(file_, 1);
    bar->addPermanentWidget(reading_);
    bar->addPermanentWidget(alarm_);
    bar->addPermanentWidget(notice_);
    bar->addPermanentWidget(mqtt_);
    mqtt_->hide();
    bar->setSizeGripEnabled(true);
}

void StatusLine::Show(const StatusState& state) {
    using Link = StatusState::Link;
    switch (state.LinkState) {
        case Link::Connected:
            link_->setText(QCoreApplication::translate("StatusLine", "接続中"));
            break;
        case Link::NotFound:
            link_->setText(QCoreApplication::translate("StatusLine", "カウンタが見つかりません"));
            break;
        case Link::Waiting:
            link_->setText(QCoreApplication::translate("StatusLine", "再接続待ち"));
            break;
        case Link::NotConnected:
            link_->setText(QCoreApplication::translate("StatusLine", "未接続"));
            break;
    }
    QString linkTip;
    if (state.LinkState == Link::NotFound || state.LinkState == Link::Waiting) {
        linkTip = CounterNotFoundHelp();
    } else if (state.VirtualCounter) {
        linkTip = QCoreApplication::translate(
            "StatusLine",
            "--simulate で起動したため、本物のカウンタではなく内蔵の仮想カウンタ (平均 35 CPM "
            "前後) から記録しています。");
    }
    if (state.VirtualCounter) {
        link_->setText(
            QCoreApplication::translate("StatusLine", "%1 (仮想カウンタ)").arg(link_->text()));
    }
    link_->setToolTip(linkTip);
    count_->setText(QCoreApplication::translate("StatusLine", "%1 件").arg(state.Samples));
    // Paths as the system writes them, with backslashes on Windows.
    file_->setText(state.File.isEmpty() ? QCoreApplication::translate("StatusLine", "(ファイルなし)")
                                        : QDir::toNativeSeparators(state.File));
    if (!state.Folder.isEmpty()) {
        file_->setText(
            QCoreApplication::translate("StatusLine", "フォルダ %1 (%2 ファイル、読み取り専用)")
                .arg(QDir::toNativeSeparators(state.Folder))
                .arg(state.FolderFiles));
    }

    QStringList notes;
    QStringList details;
    if (!state.AutosaveError.isEmpty()) {
        notes << QCoreApplication::translate("StatusLine", "自動保存に失敗しました");
        details << state.AutosaveError;
    }
    if (state.UnreadableLines > 0) {
        notes << QCoreApplication::translate("StatusLine", "読み取れない行: %1 (最初は %2 行目)")
                     .arg(state.UnreadableLines)
                     .arg(state.FirstUnreadableLine);
        details << (state.Folder.isEmpty()
                        ? QCoreApplication::translate(
                              "StatusLine",
                              "このファイルには自動保存しません。上書き保存で書き直せます。")
                        : QCoreApplication::translate(
                              "StatusLine",
                              "行番号は記録全体を一つのファイルに保存したときのものです。"));
    }
    if (state.DuplicateMinutes > 0) {
        notes << QCoreApplication::translate("StatusLine", "重複した %1 分を 1 つにしました")
                     .arg(state.DuplicateMinutes);
        details << QCoreApplication::translate(
            "StatusLine", "同じ分の行が二つ以上あり、時刻順で最初の行だけを残しました。");
    }
    if (state.FirstForeignLine > 0) {
        notes << QCoreApplication::translate(
                     "StatusLine", "自動保存しません: 秒や4桁の年を含むファイル (最初は %1 行目)")
                     .arg(state.FirstForeignLine);
        details << QCoreApplication::translate(
            "StatusLine",
            "自動保存の形式では読み戻した時刻が変わります。上書き保存で書き直せます。");
    }
    if (!state.KeptFile.isEmpty()) {
        notes << QCoreApplication::translate("StatusLine", "未保存のログを保存しました: %1")
                     .arg(QDir::toNativeSeparators(state.KeptFile));
    }
    if (!state.MissingFile.isEmpty()) {
        notes << QCoreApplication::translate("StatusLine",
                                             "見つからないため最近使ったファイルから外しました: %1")
                     .arg(QDir::toNativeSeparators(state.MissingFile));
    }
    if (!state.CopyOf.isEmpty()) {
        notes << QCoreApplication::translate("StatusLine",
                                             "別のウィンドウが記録中のファイルの写しです: %1")
                     .arg(QDir::toNativeSeparators(state.CopyOf));
        details << QCoreApplication::translate("StatusLine", "そのファイルには自動保存しません。");
    }
    if (!state.DiscardedRecovery.isEmpty()) {
        notes << QCoreApplication::translate("StatusLine",
                                             "保存済みの復元ファイルを削除しました: %1")
                     .arg(state.DiscardedRecovery);
    }
    if (state.RecoveryAvailable) {
        notes << QCoreApplication::translate("StatusLine", "復元できるログがあります");
        details << QCoreApplication::translate("StatusLine", "ファイル → 復元フォルダを開く")
                << state.RecoveryFiles;
    }
    notice_->setText(notes.join(QStringLiteral("  ")));
    notice_->setToolTip((notes + details).join(u'\n'));
}

void StatusLine::ShowReading(int cpm, double doseUsv) {
    QString text = QStringLiteral("%1 CPM").arg(cpm);
    QString tip;
    if (!std::isnan(doseUsv)) {
        text += QStringLiteral("  %1 µSv/h").arg(DoseReadingText(doseUsv));
        tip = QCoreApplication::translate(
            "StatusLine",
            "最後に終わった 1 分のカウントと、直前 10 分の平均から求めた線量率です。");
    } else {
        tip = QCoreApplication::translate(
            "StatusLine",
            "最後に終わった 1 分のカウントです。線量率 (µSv/h) は直前 10 分の平均から求めるため、"
            "ログの最初の 10 分には表示しません。");
    }
    reading_->setText(text);
    reading_->setToolTip(tip);
}

void StatusLine::ShowLeftOut(const Sample& minute, int seconds) {
    bar_->showMessage(QCoreApplication::translate(
                          "StatusLine", "%1 の 1 分は %2 秒しか数えていないため記録しません")
                          .arg(MinuteText(minute.Time))
                          .arg(seconds),
                      kLeftOutMs);
}

QString StatusLine::LeftOutText() const {
    return bar_->currentMessage();
}

void StatusLine::ClearReading() {
    reading_->clear();
    reading_->setToolTip({});
}

QString StatusLine::Text() const {
    QStringList parts;
    for (const QLabel* label : {link_, count_, file_, reading_, alarm_, notice_, mqtt_}) {
        if (!label->text().isEmpty()) {
            parts << label->text();
        }
    }
    return parts.join(u' ');
}

QString StatusLine::NoticeToolTip() const {
    return notice_->toolTip();
}

QString StatusLine::LinkToolTip() const {
    return link_->toolTip();
}

void StatusLine::ShowMqtt(const QString& text, const QString& toolTip) {
    mqtt_->setText(text);
    mqtt_->setToolTip(toolTip);
    mqtt_->setVisible(!text.isEmpty());
}

QString StatusLine::MqttToolTip() const {
    return mqtt_->toolTip();
}
