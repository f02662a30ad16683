#include "RecentFiles.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WindowState.h"

#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

Q_DECLARE_METATYPE(WindowState)

namespace {

WindowState Remembered() {
    WindowState state;
    state.MainGeometry = QByteArray::fromHex("01d9d0cb0003ff00");
    state.LogShown = true;
    state.LogHeight = 120;
    state.SummaryGeometry = "summary";
    state.Period = SummaryPeriod::Month;
    state.Folder = QStringLiteral("/home/ユーザー/logs");
    state.RecentFiles = {QStringLiteral("/logs/b.csv"), QStringLiteral("/logs/a & c.csv")};
    return state;
}

// The lines of before that are not keys the window writes, in their order.
QList<QByteArray> OtherLines(const QByteArray& bytes) {
    static const QByteArray ours[] = {
        "Geometry=",      "LogShown=", "LogHeight=", "SummaryGeometry=",
        "SummaryPeriod=", "Folder=",   "Recent"};
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeIf([](const QByteArray& line) {
        return std::any_of(std::begin(ours), std::end(ours),
                           [&](const QByteArray& key) { return line.startsWith(key); });
    });
    return lines;
}

}  // namespace

class WindowStateTest : public QObject {
    Q_OBJECT

private slots:
    // What was saved reads back, and every other line of the file stays where it was.
    void roundTrip_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<WindowState>("state");
        QTest::newRow("no file") << QByteArray() << Remembered();
        QTest::newRow("other sections")
            << QByteArray("; settings\r\n[Graph]\r\nuSv=0.00158\r\n\r\n[Alarm]\r\nuSv=0.5\r\n")
            << Remembered();
        QTest::newRow("section in the middle, with a key of its own")
            << QByteArray("[Window]\nGeometry=old\nTheme=dark\nRecent8=/old.csv\n[Graph]\nuSv=1\n")
            << Remembered();
        QTest::newRow("the first start's state") << QByteArray("[Graph]\nuSv=1\n") << WindowState();
    }
    void roundTrip() {
        QFETCH(QByteArray, before);
        QFETCH(WindowState, state);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("solamine.ini"));
        if (!before.isEmpty()) {
            QVERIFY(WriteFile(path, before));
        }
        QVERIFY(SaveWindowState(path, state));
        QCOMPARE(LoadWindowState(path), state);
        const QByteArray after = ReadAll(path);
        const QList<QByteArray> others = OtherLines(before);
        QCOMPARE(OtherLines(after).mid(0, others.size() - 1), others.mid(0, others.size() - 1));
        // Saved again unchanged, the file is not touched.
        QVERIFY(SaveWindowState(path, state));
        QCOMPARE(ReadAll(path), after);
    }

    // A missing section, or values that do not read, are the first start's.
    void readsDefaults_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no section") << QByteArray("[Graph]\r\nuSv=0.00158\r\n");
        QTest::newRow("values that do not read") << QByteArray(
            "[Window]\nLogHeight=-5\nLogShown=maybe\nSummaryPeriod=week\n"
            "Recent1=\nRecent2=\n");
    }
    void readsDefaults() {
        QFETCH(QByteArray, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("solamine.ini"));
        QVERIFY(WriteFile(path, text));
        QCOMPARE(LoadWindowState(path), WindowState());
    }

    // The recent list: newest first, each once, at most eight.
    void recentFiles_data() {
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("newest first") << QStringList{"/a"} << QStringList{"/b", "/c"} << QString()
                                      << QStringList{"/c", "/b", "/a"};
        QTest::newRow("opened again goes first")
            << QStringList{"/a", "/b", "/c"} << QStringList{"/b/../c"} << QString()
            << QStringList{"/b/../c", "/a", "/b"};
        QTest::newRow("the ninth pushes the oldest out")
            << QStringList{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"} << QStringList{"/9"}
            << QString() << QStringList{"/9", "/1", "/2", "/3", "/4", "/5", "/6", "/7"};
        QTest::newRow("a list read keeps the first eight, each once, no blanks")
            << QStringList{"", "/1", "/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9"}
            << QStringList() << QString()
            << QStringList{"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"};
        QTest::newRow("a missing one taken off") << QStringList{"/a", "/b", "/c"} << QStringList()
                                                 << QString("/b") << QStringList{"/a", "/c"};
    }
    void recentFiles() {
        QFETCH(QStringList, loaded);
        QFETCH(QStringList, added);
        QFETCH(QString, removed);
        QFETCH(QStringList, expected);
        RecentFiles recent(loaded);
        for (const QString& path : added) {
            recent.Add(path);
        }
        if (!removed.isEmpty()) {
            QVERIFY(recent.Remove(removed));
            QVERIFY(!recent.Remove(removed));
        }
        QCOMPARE(recent.Paths(), expected);
    }
};

SOLAMINE_TEST(WindowStateTest)
#include "tst_windowstate.moc"
