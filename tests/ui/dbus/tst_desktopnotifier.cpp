// Where Qt has D-Bus: the alarm's notifications reach a notification service on a private bus.
#include "AlarmIndicator.h"
#include "DateTime.h"
#include "DesktopNotifier.h"
#include "SampleDisplay.h"
#include "TestMain.h"

#include <QDBusConnection>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>

// The stand-in for the desktop's notification service: records each call and numbers the
// notifications as a server does, a replaced one keeping its number.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString app, icon, summary, body;
        uint replaces;
        QVariant urgency;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        calls.append({app, icon, summary, body, replaces, hints.value(QStringLiteral("urgency"))});
        return replaces != 0 ? replaces : ++lastId_;
    }

private:
    uint lastId_ = 40;
};

// dbus-daemon started for one test, with the stand-in serving on it; stopped at the end.
class PrivateBus {
public:
    explicit PrivateBus(NotificationServer* server) {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (!daemon_.waitForReadyRead(10000)) {
            return;
        }
        const QString address = QString::fromUtf8(daemon_.readLine()).trimmed();
        QDBusConnection bus = QDBusConnection::connectToBus(address, kName);
        if (bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), server,
                               QDBusConnection::ExportAllSlots) &&
            bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
            address_ = address;
        }
    }
    ~PrivateBus() {
        QDBusConnection::disconnectFromBus(kName);
        daemon_.kill();
        daemon_.waitForFinished();
    }
    // Empty when the daemon did not start or the stand-in could not take the service's name.
    QString Address() const { return address_; }

private:
    static inline const QString kName = QStringLiteral("notification-server");
    QProcess daemon_;
    QString address_;
};

struct Step {
    bool raised = false, released = false;
    double dose = 0;
    int hour = 0, minute = 0;
};
Q_DECLARE_METATYPE(QList<Step>)

class DesktopNotifierTest : public QObject {
    Q_OBJECT

private slots:
    // Only the alarm's changes notify: each replaces the notification before it, critical when
    // the alarm goes on; a minute above a raised alarm says nothing.
    void alarmChanges_data() {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("body");
        QTest::addColumn<uchar>("urgency");
        QTest::addColumn<uint>("replaces");
        const Step on{true, false, 0.35, 10, 15};
        const Step above{false, false, 0.4, 10, 16};
        const Step off{false, true, 0.12, 10, 26};
        const Step onAgain{true, false, 0.5, 11, 0};
        QTest::newRow("on") << QList<Step>{on} << 1 << "線量率の警報"
                            << "0.35 µSv/h (2026/12/09 10:15)" << uchar(2) << 0u;
        QTest::newRow("off") << QList<Step>{on, above, off} << 2 << "線量率の警報が解除されました"
                             << "0.12 µSv/h (2026/12/09 10:26)" << uchar(1) << 41u;
        QTest::newRow("on again") << QList<Step>{on, off, onAgain} << 3 << "線量率の警報"
                                  << "0.50 µSv/h (2026/12/09 11:00)" << uchar(2) << 41u;
    }
    void alarmChanges() {
        QFETCH(QList<Step>, steps);
        QFETCH(int, calls);
        QFETCH(QString, summary);
        QFETCH(QString, body);
        QFETCH(uchar, urgency);
        QFETCH(uint, replaces);
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            QSKIP("dbus-daemon is not installed (Debian package dbus-daemon)");
        }
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            QSKIP("a system tray takes the notices here; run with QT_QPA_PLATFORM=offscreen");
        }
        NotificationServer server;
        PrivateBus bus(&server);
        QVERIFY(!bus.Address().isEmpty());
        DesktopNotifier notifier(bus.Address());
        QLabel label;
        DoseAlarm alarm;
        AlarmIndicator indicator(&label, alarm);
        int shown = 0;
        indicator.Notify = [&](const DesktopNotice& notice) { shown += notifier.Show(notice); };
        for (const Step& step : steps) {
            const AlarmStep alarmStep{step.raised, !step.released, step.released};
            LogRecord record;
            record.Time = DateTime::Encode(2026, 12, 9, step.hour, step.minute);
            record.Dose = step.dose;
            indicator.MinuteChecked(alarmStep, record);
        }
        QCOMPARE(shown, calls);
        QTRY_COMPARE(server.calls.size(), calls);
        const NotificationServer::Call& last = server.calls.last();
        QCOMPARE(last.app, QStringLiteral("ソラミネ"));
        QCOMPARE(last.icon, QStringLiteral("solamine"));
        QCOMPARE(last.summary, summary);
        QCOMPARE(last.body, body);
        QCOMPARE(last.urgency.metaType(), QMetaType::fromType<uchar>());  // a D-Bus byte
        QCOMPARE(last.urgency.value<uchar>(), urgency);
        QCOMPARE(last.replaces, replaces);
    }

    // Without a tray and without a bus a notice goes nowhere, and says so.
    void noTrayNoBus() {
        DesktopNotifier notifier(QStringLiteral("unix:path=/nonexistent/solamine-bus"));
        QVERIFY(!notifier.Show({QStringLiteral("線量率の警報"), QStringLiteral("0.35"), true}));
        QVERIFY(!notifier.Show({QStringLiteral("線量率の警報が解除されました"), {}, false}));
    }
};

SOLAMINE_TEST(DesktopNotifierTest)
#include "tst_desktopnotifier.moc"
