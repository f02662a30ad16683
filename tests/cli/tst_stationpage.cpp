#include "StationHttp.h"
#include "StationRig.h"
#include "TestMain.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What a real browser made of the station's page: its DOM after the scripts ran, or a
// screenshot. Empty, with the reason, where the browser cannot run here.
struct Browser {
    QString Program;
    QString Reason;

    Browser() {
        for (const char* name : {"chromium", "chromium-browser"}) {
            Program = QStandardPaths::findExecutable(QString::fromLatin1(name));
            if (!Program.isEmpty()) {
                return;
            }
        }
        Reason = QStringLiteral("chromium (Debian package chromium) is not installed");
    }

    // Runs the headless browser on url with the page's language; output is the DOM, or empty
    // when screenshot names a file to write instead.
    QByteArray Run(const QString& url, const QString& language, const QString& screenshot = {}) {
        QTemporaryDir profile;
        QStringList arguments{"--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                              "--no-first-run", "--user-data-dir=" + profile.path(),
                              "--window-size=1280,1000", "--virtual-time-budget=10000",
                              "--lang=" + language, "--accept-lang=" + language};
        arguments << (screenshot.isEmpty() ? "--dump-dom" : "--screenshot=" + screenshot) << url;
        QProcess browser;
        browser.start(Program, arguments);
        if (!browser.waitForFinished(90'000) || browser.exitCode() != 0) {
            browser.kill();
            browser.waitForFinished(5000);
            const QByteArray said = browser.readAllStandardError().trimmed();
            Reason = QStringLiteral("chromium did not run: ") +
                     QString::fromLocal8Bit(said.mid(said.lastIndexOf('\n') + 1));
            return {};
        }
        return browser.readAllStandardOutput();
    }
};

// The text of the element with the given id, as the scripts left it.
QString Text(const QByteArray& dom, const QString& id) {
    const QRegularExpression element("id=\"" + id + "\"[^>]*>([^<]*)<");
    return element.match(QString::fromUtf8(dom)).captured(1);
}

}  // namespace

class StationPageTest : public QObject {
    Q_OBJECT

private slots:
    // A browser shows the last line of the file as "now", draws the logged minutes, and speaks
    // the language it asks for; the screenshot stays beside the tests.
    void browserShowsTheFile() {
        if (!kHasHttpServer) {
            QSKIP("this build has no HTTP server");
        }
        Browser browser;
        if (browser.Program.isEmpty()) {
            QSKIP(qPrintable(browser.Reason));
        }
        Rig rig;
        rig.now = At(8, 14, 29, 30);
        QString error;
        const StationHttp http = StartHttp(
            {}, *rig.logger, rig.now, nullptr, [](const QString&) {}, &error);
        QVERIFY2(http.Server, qPrintable(error));
        rig.Minutes(At(8, 14, 29, 30) + kSecond / 2, 13, 37);
        const QList<QByteArray> lines = rig.File().trimmed().split('\n');
        const QList<QByteArray> last = lines.back().trimmed().split(',');
        QCOMPARE(last.size(), 4);

        const QByteArray dom = browser.Run(http.Url, QStringLiteral("ja"));
        if (dom.isEmpty()) {
            QSKIP(qPrintable(browser.Reason));
        }
        QVERIFY2(dom.contains("data-state=\"ready\""), dom.left(2000).constData());
        QCOMPARE(Text(dom, "now-cpm"), QString::fromLatin1(last[2].trimmed()));
        QCOMPARE(Text(dom, "now-usvh").toDouble(), last[3].trimmed().toDouble());
        // "26/12/08, 14:41" as the page writes it.
        QCOMPARE(Text(dom, "now-time"), "20" + QString::fromLatin1(last[0]).replace(u'/', u'-') +
                                            ' ' + QString::fromLatin1(last[1].trimmed()));
        QCOMPARE(Text(dom, "now-minutes"), QString("%1 分").arg(lines.size()));
        // Every minute of the last 24 hours is a point of the chart, and the day is in the table.
        const QRegularExpression points("id=\"chart\"[^>]*data-points=\"(\\d+)\"");
        QCOMPARE(points.match(QString::fromUtf8(dom)).captured(1).toInt(), lines.size());
        QVERIFY(dom.contains("<td>2026-12-08</td><td>" + QByteArray::number(lines.size())));
        QVERIFY(dom.contains("<th data-text=\"date\">日付</th>"));

        const QString shot = QDir(QCoreApplication::applicationDirPath()).filePath("page.png");
        QFile::remove(shot);
        browser.Run(http.Url, QStringLiteral("en"), shot);
        QVERIFY2(QFileInfo(shot).size() > 10'000, qPrintable(browser.Reason));
        qInfo("screenshot: %s", qPrintable(shot));
        http.Server->Stop(1000);
    }
};

SOLAMINE_TEST(StationPageTest)
#include "tst_stationpage.moc"
