#include "ErrorBox.h"
#include "FileError.h"
#include "TestMain.h"

#include <QTest>
#include <stdexcept>

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
};

SOLAMINE_TEST(ErrorBoxTest)
#include "tst_errorbox.moc"
