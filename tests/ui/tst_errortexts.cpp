#include "CsvLog.h"
#include "DateTime.h"
#include "ErrorTexts.h"
#include "IniFile.h"
#include "TestMain.h"

#include <QDir>
#include <QTest>

namespace {

using Op = FileError::Operation;
using Code = FileError::Code;

QString MiB(qint64 bytes) {
    return QString::number(bytes / (1024 * 1024));
}

}  // namespace

// The window's messages for every report of the lower folders, byte for byte as described: the
// full path with the system's separators (a name holding "%1" as it is), the read message's
// trailing space, the limits that refused.
class ErrorTextsTest : public QObject {
    Q_OBJECT

private slots:
    void worded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString path = QDir::temp().filePath(QStringLiteral("logs %1/day %2.csv"));
        const QString full = QDir::toNativeSeparators(path);
        const auto error = [&](Op op, Code why, const QString& reason = {}, qint64 limit = 0) {
            return FileErrorText({op, why, path, reason, limit});
        };
        const QString open = "ファイル " + full + " は開けません。 ";
        const QString create = "ファイル \"" + full + "\" を作成できません。";
        QTest::newRow("missing") << error(Op::Read, Code::NotFound, "No such file or directory")
                                 << open + "No such file or directory ";
        QTest::newRow("not a regular file")
            << error(Op::Read, Code::NotRegularFile) << open + "通常のファイルではありません ";
        QTest::newRow("over the byte bound")
            << error(Op::Read, Code::TooLarge, {}, kMaxCsvLogBytes)
            << open + MiB(kMaxCsvLogBytes) + " MiB を超える大きさです ";
        QTest::newRow("over the line bound")
            << error(Op::Read, Code::TooManyLines, {}, kMaxCsvLogSamples)
            << open + QString::number(kMaxCsvLogSamples) + " 行を超えています ";
        QTest::newRow("out of memory")
            << error(Op::Read, Code::OutOfMemory) << open + "メモリが足りません ";
        QTest::newRow("stopped") << error(Op::Read, Code::Stopped)
                                 << open + "読み込みを中断しました ";
        QTest::newRow("a secret others may read")
            << error(Op::Read, Code::OpenToOthers) << open + "所有者以外も読めるので使いません ";
        QTest::newRow("no such folder")
            << error(Op::ReadFolder, Code::NotFound) << "フォルダ " + full + " が見つかりません。";
        QTest::newRow("a folder without daily logs")
            << error(Op::ReadFolder, Code::NoLogFiles)
            << "フォルダ " + full + " は開けません。 日ごとのログ (YYYY-MM-DD.csv) がありません ";
        QTest::newRow("a relative name")
            << FileErrorText({Op::Read, Code::System, QStringLiteral("day.csv"), "x", 0})
            << "ファイル " + QDir::toNativeSeparators(QDir::current().filePath("day.csv")) +
                   " は開けません。 x ";
        QTest::newRow("write") << error(Op::Write, Code::System, "No space left on device")
                               << create + "No space left on device";
        QTest::newRow("shrunk") << error(Op::Write, Code::Shrunk)
                                << create + "ファイルが短くなっています";
        QTest::newRow("no folder")
            << error(Op::Write, Code::NoFolder) << create + "フォルダを作れません";
        QTest::newRow("no free name") << error(Op::Write, Code::NoFreeName, {}, 999)
                                      << create + "同じ名前のファイルが多すぎます";
        QTest::newRow("no PDF") << error(Op::Write, Code::NoPdf) << create + "PDF を作れません";
        QTest::newRow("settings") << error(Op::WriteSettings, Code::System)
                                  << QDir::toNativeSeparators(path) + " に書き込めません";
        QTest::newRow("INI refused")
            << error(Op::ReadSettings, Code::TooLarge, {}, kMaxIniBytes)
            << full + " を読みません (" + MiB(kMaxIniBytes) +
                   " MiB を超える大きさです)。既定の設定を使い、書き込みません";
        // The automatic save and the recovery file both failed: both, one a line.
        QTest::newRow("both of a save")
            << FailureText(FileFailure(FileFailure({Op::Write, Code::System, path, "a", 0}),
                                       FileFailure({Op::Write, Code::NoFolder, path, {}, 0})))
            << create + "a\n" + create + "フォルダを作れません";

        // The publisher's failures in the connection test's words, then when it tries again.
        MqttEvent event{MqttEvent::Kind::Refused, "broker.lan", 1883, "not authorised", 60, 3, 0};
        QTest::newRow("refused")
            << MqttEventText(event)
            << "MQTT: broker.lan:1883 が接続を拒否しました (ユーザー名・パスワード・権限を確認して"
               "ください): not authorised。60 秒後に再接続します (3 分待機)";
        event.What = MqttEvent::Kind::Dropped;
        event.DroppedTime = DateTime::Encode(2026, 12, 8, 14, 31);
        QTest::newRow("dropped") << MqttEventText(event)
                                 << "MQTT: 3 分が送信を待っています。最も古い 26/12/08 14:31 の分を"
                                    "捨てました";
    }
    void worded() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

SOLAMINE_TEST(ErrorTextsTest)
#include "tst_errortexts.moc"
