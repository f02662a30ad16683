#include "CsvLog.h"
#include "DateTime.h"
#include "ErrorText.h"
#include "MqttPublisher.h"
#include "TestMain.h"

#include <QDir>
#include <QTest>

using namespace CliText;

namespace {

using Op = FileError::Operation;
using Code = FileError::Code;

// A name that looks like placeholders: it must come out as it is.
const QString kPath = QStringLiteral("logs %1/day %2.csv");

FileError Error(Op op, Code why, const QString& reason = {}, qint64 limit = 0) {
    return {op, why, kPath, reason, limit};
}

MqttEvent Event(MqttEvent::Kind kind, const QString& reason = {}, int nextTry = 0) {
    return {kind, QStringLiteral("broker.lan"), 1883, reason, nextTry, 3, 0};
}

}  // namespace

// The command line's English for every report of the lower folders, as scripts and the journal
// read it: the limits quoted are the ones that refused.
class ErrorTextTest : public QObject {
    Q_OBJECT

private slots:
    void worded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString path = QDir::toNativeSeparators(kPath);
        const QString read = "cannot read " + path + ": ";
        QTest::newRow("missing") << FileErrorText(Error(Op::Read, Code::NotFound, "Kein Eintrag"))
                                 << read + "no such file";
        QTest::newRow("not a regular file")
            << FileErrorText(Error(Op::Read, Code::NotRegularFile)) << read + "not a regular file";
        QTest::newRow("over the byte bound")
            << FileErrorText(Error(Op::Read, Code::TooLarge, {}, kMaxCsvLogBytes))
            << read + "larger than " + QString::number(kMaxCsvLogBytes / (1024 * 1024)) + " MiB";
        QTest::newRow("over the line bound")
            << FileErrorText(Error(Op::Read, Code::TooManyLines, {}, kMaxCsvLogSamples))
            << read + "more than " + QString::number(kMaxCsvLogSamples) + " lines";
        QTest::newRow("out of memory")
            << FileErrorText(Error(Op::Read, Code::OutOfMemory)) << read + "not enough memory";
        QTest::newRow("a secret others may read")
            << FileErrorText(Error(Op::Read, Code::OpenToOthers))
            << read + "its permissions are too open: others may read it (chmod 600 it)";
        QTest::newRow("write") << FileErrorText(
                                      Error(Op::Write, Code::System, "No space left on device"))
                               << "cannot write " + path + ": No space left on device";
        QTest::newRow("append to a directory")
            << FileErrorText(Error(Op::Append, Code::NotRegularFile))
            << "cannot append to " + path + ": not a regular file";
        QTest::newRow("appending fails")
            << AppendEventText({LogAppender::Event::Kind::Failing,
                                Error(Op::Append, Code::NotSynced, "Input/output error"), 3})
            << "cannot append to " + path +
                   ": cannot sync to disk; 3 line(s) kept in memory, trying again";
        QTest::newRow("appending works again")
            << AppendEventText({LogAppender::Event::Kind::Working, {}, 3})
            << "appending works again; 3 kept line(s) written";
        QTest::newRow("the end of a log")
            << TailErrorText(Error(Op::Read, Code::NotRegularFile))
            << "cannot read the end of " + path + " (not a regular file); its doses start afresh";
        QTest::newRow("unreadable lines") << UnreadableLinesText(kPath, 2, 5)
                                          << kPath + ": 2 unreadable line(s), the first is line 5";

        QTest::newRow("connected") << MqttEventText(Event(MqttEvent::Kind::Connected))
                                   << "MQTT: connected to broker.lan:1883";
        QTest::newRow("lost")
            << MqttEventText(Event(MqttEvent::Kind::Lost, "the broker closed it", 1))
            << "MQTT: lost broker.lan:1883 (the broker closed it); next try in 1 s; "
               "3 minute(s) waiting";
        QTest::newRow("unreachable")
            << MqttEventText(Event(MqttEvent::Kind::Unreachable, "Connection refused", 2))
            << "MQTT: cannot reach broker.lan:1883 (Connection refused); next try in 2 s; 3 "
               "minute(s) waiting";
        QTest::newRow("refused")
            << MqttEventText(Event(MqttEvent::Kind::Refused, "not authorised", 60))
            << "MQTT: refused by broker.lan:1883: not authorised; next try in 60 s; 3 minute(s) "
               "waiting";
        QTest::newRow("TLS") << MqttEventText(Event(MqttEvent::Kind::TlsFailed, "%1 expired", 60))
                             << "MQTT: TLS failure with broker.lan:1883: %1 expired; next try in "
                                "60 s; 3 minute(s) waiting";
        MqttEvent dropped = Event(MqttEvent::Kind::Dropped);
        dropped.Waiting = MqttPublisher::kQueueLimit;
        dropped.DroppedTime = DateTime::Encode(2026, 12, 8, 14, 31);
        QTest::newRow("dropped") << MqttEventText(dropped)
                                 << "MQTT: " + QString::number(MqttPublisher::kQueueLimit) +
                                        " minutes are waiting; dropped the oldest, 26/12/08 14:31";
    }
    void worded() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

SOLAMINE_TEST(ErrorTextTest)
#include "tst_errortext.moc"
