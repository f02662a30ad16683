#include "ErrorTexts.h"

#include "DateTime.h"
#include "MqttSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString FullPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString Where(const QString& host, int port) {
    return host + u':' + QString::number(port);
}

QString ProbeTextAt(const QString& where, MqttPublisher::Failure failure, const QString& reason) {
    switch (failure) {
        case MqttPublisher::Failure::None:
            return QCoreApplication::translate("ErrorTexts", "%1 に接続できました。").arg(where);
        case MqttPublisher::Failure::Refused:
            return QCoreApplication::translate(
                       "ErrorTexts",
                       "%1 が接続を拒否しました (ユーザー名・パスワード・権限を確認してください): "
                       "%2")
                .arg(where, reason);
        case MqttPublisher::Failure::Tls:
            return QCoreApplication::translate(
                       "ErrorTexts",
                       "%1 の証明書を確認できません (CA ファイルとホスト名を確認してください): %2")
                .arg(where, reason);
        case MqttPublisher::Failure::Network:
            break;
    }
    return QCoreApplication::translate("ErrorTexts", "%1 に接続できません: %2").arg(where, reason);
}

}  // namespace

QString ReasonText(const FileError& error) {
    using Code = FileError::Code;
    switch (error.Why) {
        case Code::System:
        case Code::NotFound:
        case Code::NotSynced:
            break;
        case Code::NotRegularFile:
            return QCoreApplication::translate("ErrorTexts", "通常のファイルではありません");
        case Code::TooLarge:
            return QCoreApplication::translate("ErrorTexts", "%1 MiB を超える大きさです")
                .arg(error.Limit >> 20);
        case Code::TooManyLines:
            return QCoreApplication::translate("ErrorTexts", "%1 行を超えています")
                .arg(error.Limit);
        case Code::OutOfMemory:
            return QCoreApplication::translate("ErrorTexts", "メモリが足りません");
        case Code::Stopped:
            return QCoreApplication::translate("ErrorTexts", "読み込みを中断しました");
        case Code::Shrunk:
            return QCoreApplication::translate("ErrorTexts", "ファイルが短くなっています");
        case Code::NoFolder:
            return QCoreApplication::translate("ErrorTexts", "フォルダを作れません");
        case Code::NoFreeName:
            return QCoreApplication::translate("ErrorTexts", "同じ名前のファイルが多すぎます");
        case Code::NoPdf:
            return QCoreApplication::translate("ErrorTexts", "PDF を作れません");
        case Code::OpenToOthers:
            return QCoreApplication::translate("ErrorTexts", "所有者以外も読めるので使いません");
        case Code::EmptyFolder:
            return QCoreApplication::translate("ErrorTexts", "フォルダが空です");
        case Code::NoLogFiles:
            return QCoreApplication::translate("ErrorTexts",
                                               "日ごとのログ (YYYY-MM-DD.csv) がありません");
    }
    return error.Reason;
}

QString FileErrorText(const FileError& error) {
    // One arg for path and reason: a path holding "%1" stays as it is.
    switch (error.Op) {
        case FileError::Operation::Read:
            return QCoreApplication::translate("ErrorTexts", "ファイル %1 は開けません。 %2 ")
                .arg(FullPath(error.Path), ReasonText(error));
        case FileError::Operation::ReadFolder:
            if (error.Why == FileError::Code::NotFound) {
                return QCoreApplication::translate("ErrorTexts", "フォルダ %1 が見つかりません。")
                    .arg(FullPath(error.Path));
            }
            return QCoreApplication::translate("ErrorTexts", "フォルダ %1 は開けません。 %2 ")
                .arg(FullPath(error.Path), ReasonText(error));
        case FileError::Operation::Write:
        case FileError::Operation::Append:
            break;
        case FileError::Operation::ReadSettings:
            return QCoreApplication::translate(
                       "ErrorTexts", "%1 を読みません (%2)。既定の設定を使い、書き込みません")
                .arg(QDir::toNativeSeparators(error.Path), ReasonText(error));
        case FileError::Operation::WriteSettings:
            return QCoreApplication::translate("ErrorTexts", "%1 に書き込めません")
                .arg(QDir::toNativeSeparators(error.Path));
    }
    return QCoreApplication::translate("ErrorTexts", "ファイル \"%1\" を作成できません。%2")
        .arg(FullPath(error.Path), ReasonText(error));
}

QString FailureText(const FileFailure& failure) {
    QStringList texts;
    for (const FileError& error : failure.Errors()) {
        texts << FileErrorText(error);
    }
    return texts.join(u'\n');
}

QString ProbeText(const MqttSettings& settings, MqttPublisher::Failure failure,
                  const QString& reason) {
    return ProbeTextAt(Where(settings.Host, settings.Port), failure, reason);
}

QString MqttEventText(const MqttEvent& event) {
    using Kind = MqttEvent::Kind;
    using Failure = MqttPublisher::Failure;
    const QString where = Where(event.Host, event.Port);
    QString text;
    switch (event.What) {
        case Kind::Connected:
            return QStringLiteral("MQTT: ") + ProbeTextAt(where, Failure::None, {});
        case Kind::Dropped:
            return QCoreApplication::translate(
                       "ErrorTexts",
                       "MQTT: %1 分が送信を待っています。最も古い %2 の分を捨てました")
                .arg(QString::number(event.Waiting), DateTime::MinuteText(event.DroppedTime));
        case Kind::Lost:
            text = QCoreApplication::translate("ErrorTexts", "%1 との接続が切れました: %2")
                       .arg(where, event.Reason);
            break;
        case Kind::Unreachable:
            text = ProbeTextAt(where, Failure::Network, event.Reason);
            break;
        case Kind::Refused:
            text = ProbeTextAt(where, Failure::Refused, event.Reason);
            break;
        case Kind::TlsFailed:
            text = ProbeTextAt(where, Failure::Tls, event.Reason);
            break;
    }
    return QCoreApplication::translate("ErrorTexts", "MQTT: %1。%2 秒後に再接続します (%3 分待機)")
        .arg(text, QString::number(event.NextTrySeconds), QString::number(event.Waiting));
}

QString MapServiceCaption(MapService service) {
    switch (service) {
        case MapService::Radmon:
            return QStringLiteral("radmon");
        case MapService::GmcMap:
            return QCoreApplication::translate("ErrorTexts", "GMC マップ");
        case MapService::Safecast:
            break;
    }
    return QStringLiteral("Safecast");
}

QString MapAnswerText(MapService service, const MapAnswer& answer) {
    const QString name = MapServiceCaption(service);
    // The service's own words, with the HTTP status where one came.
    const QString said = answer.Status == 0 || answer.Reason.startsWith(QStringLiteral("HTTP "))
                             ? answer.Reason
                             : QCoreApplication::translate("ErrorTexts", "HTTP %1「%2」")
                                   .arg(answer.Status)
                                   .arg(answer.Reason);
    switch (answer.Why) {
        case MapAnswer::Code::UnknownAccount:
            return QCoreApplication::translate("ErrorTexts",
                                               "%1: アカウント ID が登録されていません (ERR1)")
                .arg(name);
        case MapAnswer::Code::UnknownCounter:
            return QCoreApplication::translate("ErrorTexts",
                                               "%1: カウンター ID が登録されていません (ERR2)")
                .arg(name);
        case MapAnswer::Code::Other:
            break;
    }
    switch (answer.Outcome) {
        case MapOutcome::Accepted:
            return QCoreApplication::translate("ErrorTexts", "%1 が測定値を受け付けました")
                .arg(name);
        case MapOutcome::TooSoon:
            return QCoreApplication::translate("ErrorTexts",
                                               "%1: 送信の間隔が短すぎるとの応答です: %2")
                .arg(name, said);
        case MapOutcome::Refused:
            return QCoreApplication::translate(
                       "ErrorTexts",
                       "%1 が拒否しました (ユーザー名・パスワード・キーを確認してください): %2")
                .arg(name, said);
        case MapOutcome::Failed:
            break;
    }
    if (answer.Status == 0) {
        return QCoreApplication::translate("ErrorTexts", "%1 から応答がありません: %2")
            .arg(name, said);
    }
    return QCoreApplication::translate("ErrorTexts", "%1 がエラーを返しました: %2").arg(name, said);
}

QString MapEventText(const MapEvent& event) {
    using Kind = MapEvent::Kind;
    const QString name = MapServiceCaption(event.Service);
    switch (event.What) {
        case Kind::Resumed:
            return QCoreApplication::translate("ErrorTexts", "%1: 送信を再開しました (%2 件待機)")
                .arg(name)
                .arg(event.Waiting);
        case Kind::Failing:
            return QCoreApplication::translate("ErrorTexts",
                                               "%1 (%2)。%3 秒後に再送します (%4 件待機)")
                .arg(MapAnswerText(event.Service, event.Answer), event.Url)
                .arg(event.NextTrySeconds)
                .arg(event.Waiting);
        case Kind::SlowedDown:
            return QCoreApplication::translate("ErrorTexts",
                                               "%1。待機中の測定値は %2 秒ごとに送ります")
                .arg(MapAnswerText(event.Service, event.Answer))
                .arg(event.NextTrySeconds);
        case Kind::Refused:
            return QCoreApplication::translate("ErrorTexts",
                                               "%1 (%2)。次に開始するまで %3 には送信しません")
                .arg(MapAnswerText(event.Service, event.Answer), event.Url, name);
        case Kind::Dropped:
            break;
    }
    return QCoreApplication::translate("ErrorTexts",
                                       "%1: %2 件が送信を待っています。%3 からの古いものを捨てます")
        .arg(name)
        .arg(event.Waiting)
        .arg(DateTime::MinuteText(event.DroppedTime));
}
