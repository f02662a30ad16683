#include "Click.h"
#include "SampleDisplay.h"
#include "SettingsCommand.h"
#include "TestMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// The main window's side of the settings command, with every call recorded.
struct FakeWindow {
    GraphSettings graph{0.00158, 0};
    std::uint16_t deviceCoefficient = 158;
    std::uint16_t deviceBackground = 0;
    bool connected = false;
    int rebuilds = 0;
    QList<QPair<int, int>> writes;
    QStringList messages;

    SetClickHooks Hooks(std::function<bool()> runDialog) {
        return {std::move(runDialog), [this] { ++rebuilds; }, [this] { return connected; },
                [this](std::uint16_t c, std::uint16_t b) {
                    // The window's members already hold what is sent.
                    QCOMPARE(deviceCoefficient, c);
                    QCOMPARE(deviceBackground, b);
                    writes.append({c, b});
                },
                [this](const QString& text, const QString& caption) {
                    messages << caption + ": " + text;
                }};
    }
};

}  // namespace

class SetClickTest : public QObject {
    Q_OBJECT

private slots:
    void steps_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("newGraphBackground");
        QTest::addColumn<int>("newDeviceCoefficient");
        QTest::addColumn<int>("newDeviceBackground");
        QTest::addColumn<int>("rebuilds");
        QTest::addColumn<bool>("sent");     // device values stored and written
        QTest::addColumn<bool>("message");  // "not connected" shown
        QTest::newRow("cancelled") << true << false << 5 << 200 << 9 << 0 << false << false;
        QTest::newRow("OK unchanged") << true << true << 0 << 158 << 0 << 1 << false << false;
        QTest::newRow("graph only, offline")
            << false << true << 5 << 158 << 0 << 1 << false << false;
        QTest::newRow("coefficient, connected")
            << true << true << 0 << 200 << 0 << 1 << true << false;
        QTest::newRow("background, connected")
            << true << true << 0 << 158 << 9 << 1 << true << false;
        QTest::newRow("both kinds, offline")
            << false << true << 5 << 200 << 9 << 1 << false << true;
    }
    void steps() {
        QFETCH(bool, connected);
        QFETCH(bool, accepted);
        QFETCH(int, newGraphBackground);
        QFETCH(int, newDeviceCoefficient);
        QFETCH(int, newDeviceBackground);
        QFETCH(int, rebuilds);
        QFETCH(bool, sent);
        QFETCH(bool, message);
        FakeWindow window;
        window.connected = connected;
        TOKRightDlg dlg;
        dlg.GraphCoefficient = 1;  // stale values from an earlier showing
        dlg.DeviceCoefficient = 1;
        SetClick(dlg, window.graph, window.deviceCoefficient, window.deviceBackground,
                 window.Hooks([&] {
                     if (dlg.GraphCoefficient != 0.00158 || dlg.DeviceCoefficient != 158) {
                         return false;
                     }
                     dlg.GraphBackground = newGraphBackground;
                     dlg.DeviceCoefficient = std::uint16_t(newDeviceCoefficient);
                     dlg.DeviceBackground = std::uint16_t(newDeviceBackground);
                     return accepted;
                 }));
        QCOMPARE(window.rebuilds, rebuilds);
        QCOMPARE(window.graph.GraphBackground, accepted ? newGraphBackground : 0);
        QCOMPARE(window.deviceCoefficient, sent ? newDeviceCoefficient : 158);
        QCOMPARE(window.deviceBackground, sent ? newDeviceBackground : 0);
        QCOMPARE(window.writes.size(), sent ? 1 : 0);
        QCOMPARE(window.messages,
                 message ? QStringList{"接続確認: 接続されていません。"} : QStringList{});
    }

    // The real modal loop: the close box after an edit changes nothing; OK, by the button or by
    // Enter in a box, rebuilds and, with the device values unchanged, does nothing else.
    void modalDialog_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("close box") << 0;
        QTest::newRow("OK button") << 1;
        QTest::newRow("Enter") << 2;
    }
    void modalDialog() {
        QFETCH(int, how);
        FakeWindow window;
        window.connected = true;
        TOKRightDlg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            dlg.Edit1->setText("0.002");
            dlg.Edit3->setText(how == 0 ? "0.002" : "0.00158");
            if (how == 0) {
                dlg.close();
            } else if (how == 1) {
                QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
            } else {
                QTest::keyClick(dlg.Edit2, Qt::Key_Return);
            }
        });
        SetClick(dlg, window.graph, window.deviceCoefficient, window.deviceBackground,
                 window.Hooks({}));
        QCOMPARE(window.rebuilds, how == 0 ? 0 : 1);
        QCOMPARE(window.graph.GraphCoefficient, how == 0 ? 0.00158 : 0.002);
        QCOMPARE(window.deviceCoefficient, 158);
        QVERIFY(window.writes.isEmpty());
        QVERIFY(window.messages.isEmpty());
    }

    void notConnectedMessageBox() {
        QString seen;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    seen = QString("%1|%2|%3|%4|%5")
                               .arg(box->windowTitle(), box->text())
                               .arg(box->icon())
                               .arg(box->buttons().size())
                               .arg(box->parentWidget() != nullptr);
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        ShowPlainMessage("接続されていません。", "接続確認");
        QCOMPARE(seen, "接続確認|接続されていません。|0|1|0");
    }
};
SOLAMINE_TEST(SetClickTest)

#include "tst_setclick.moc"
