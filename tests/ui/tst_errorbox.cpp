#include "ErrorBox.h"
#include "FileError.h"
#include "TestMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

class ErrorBoxTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetErrorBoxHook({}); }

    void dotRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain text gets a dot") << "disk full"
                                               << "disk full.";
        QTest::newRow("Japanese full stop gets a dot too") << "接続されていません。"
                                                           << "接続されていません。.";
        QTest::newRow("ends with a dot") << "done."
                                         << "done.";
        QTest::newRow("ends with a space") << "ファイル x は開けません。 y "
                                           << "ファイル x は開けません。 y ";
        QTest::newRow("ends with a comma (below the dot)") << "a,"
                                                           << "a,";
        QTest::newRow("ends with a slash (above the dot)") << "a/"
                                                           << "a/.";
        QTest::newRow("empty") << ""
                               << "";
    }
    void dotRule() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(text), shown);
    }

    void guardShowsAndGoesOn() {
        QStringList shown;
        SetErrorBoxHook([&](const QString& t) { shown << t; });
        const FileError unwritable{FileError::Operation::WriteSettings,
                                   FileError::Code::System,
                                   QStringLiteral("x.ini"),
                                   {},
                                   0};
        QVERIFY(!RunGuarded([&] { throw FileFailure(unwritable); }));
        QVERIFY(!RunGuarded([] { throw std::runtime_error("boom"); }));
        QVERIFY(!RunGuarded([] { throw 42; }));
        QVERIFY(RunGuarded([] {}));
        QCOMPARE(shown, (QStringList{"x.ini に書き込めません.", "boom.", ""}));
    }

    // The box's window has an empty caption, not the application's name that Qt puts in one.
    void captionIsEmpty() {
#ifndef Q_OS_WIN
        QSKIP("the caption is read back from Windows: scripts/windows.sh runs this under Wine");
#else
        if (QGuiApplication::platformName() != QStringLiteral("windows")) {
            QSKIP(
                "the offscreen platform has no captions: scripts/windows.sh runs this under "
                "Wine with -platform windows");
        }
        QString caption = QStringLiteral("<no box>");
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                wchar_t text[256] = {};
                ::GetWindowTextW(reinterpret_cast<HWND>(box->winId()), text, 256);
                caption = QString::fromWCharArray(text);
                box->accept();
            }
        });
        poll.start(50);
        ShowErrorBox(QStringLiteral("ファイル x は開けません。"));
        QCOMPARE(caption, QString());
#endif
    }

    // "solamine --help" prints the usage and opens no file named "--help" (nor its error box).
    void helpPrintsTheUsage() {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(SOLAMINE_APP), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(30'000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(process.readAllStandardOutput().startsWith("usage: solamine [--simulate] [FILE]"),
                 "no usage on stdout");
    }
};

SOLAMINE_TEST(ErrorBoxTest)
#include "tst_errorbox.moc"
