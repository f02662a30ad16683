// Windows only: the main window's own messages, fed to the application's native event filters
// as the window procedure would.
#include "TestMain.h"
#include "WindowMessages.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <windows.h>

class WindowMessagesTest : public QObject {
    Q_OBJECT

    struct Routed {
        QList<int> codes;
        int sessionEnds = 0;
    };

    static bool Send(HWND window, UINT message, WPARAM wParam, qintptr* result) {
        MSG msg = {};
        msg.hwnd = window;
        msg.message = message;
        msg.wParam = wParam;
        return QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG", &msg,
                                                                       result);
    }

private slots:
    void routesTheMainWindowsMessages_data() {
        QTest::addColumn<bool>("mainWindow");
        QTest::addColumn<uint>("message");
        QTest::addColumn<qulonglong>("wParam");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<qlonglong>("result");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<int>("sessionEnds");
        QTest::newRow("arrival") << true << uint(WM_DEVICECHANGE) << 0x8000ull << false << 0ll
                                 << QList<int>{0x8000} << 0;
        QTest::newRow("nodes changed, another window")
            << false << uint(WM_DEVICECHANGE) << 7ull << false << 0ll << QList<int>{} << 0;
        QTest::newRow("session may end") << true << uint(WM_QUERYENDSESSION) << 0ull << true
                                         << qlonglong(TRUE) << QList<int>{} << 0;
        QTest::newRow("session ends")
            << true << uint(WM_ENDSESSION) << qulonglong(TRUE) << true << 0ll << QList<int>{} << 1;
        QTest::newRow("ending cancelled")
            << true << uint(WM_ENDSESSION) << qulonglong(FALSE) << true << 0ll << QList<int>{} << 0;
        QTest::newRow("session ends, heard by another window first")
            << false << uint(WM_ENDSESSION) << qulonglong(TRUE) << true << 0ll << QList<int>{} << 1;
    }

    void routesTheMainWindowsMessages() {
        QFETCH(bool, mainWindow);
        QFETCH(uint, message);
        QFETCH(qulonglong, wParam);
        QWidget window;
        Routed routed;
        RouteWindowMessages(
            &window, [&routed](int code) { routed.codes << code; },
            [&routed] { ++routed.sessionEnds; });
        const HWND own = reinterpret_cast<HWND>(window.winId());
        const HWND other = reinterpret_cast<HWND>(window.winId() + 1);

        qintptr result = 0;
        QTEST(Send(mainWindow ? own : other, message, WPARAM(wParam), &result), "handled");
        QTEST(qlonglong(result), "result");
        QTEST(routed.sessionEnds, "sessionEnds");
        // A device change runs from the event loop, never inside the window procedure.
        QVERIFY(routed.codes.isEmpty());
        QCoreApplication::processEvents();
        QTEST(routed.codes, "codes");
    }

    void endsTheSessionOnceAndNotAfterTheWindow() {
        Routed routed;
        HWND own = nullptr;
        {
            QWidget window;
            RouteWindowMessages(
                &window, [&routed](int code) { routed.codes << code; },
                [&routed] { ++routed.sessionEnds; });
            own = reinterpret_cast<HWND>(window.winId());
            qintptr result = 0;
            Send(own, WM_ENDSESSION, TRUE, &result);
            Send(own, WM_ENDSESSION, TRUE, &result);
            QCOMPARE(routed.sessionEnds, 1);
        }
        qintptr result = 0;
        QVERIFY(!Send(own, WM_DEVICECHANGE, 0x8004, &result));
        QCoreApplication::processEvents();
        QVERIFY(routed.codes.isEmpty());
    }
};

SOLAMINE_TEST(WindowMessagesTest)
#include "tst_windowmessages.moc"
