#include "Click.h"
#include "TestMain.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

void Fill(TOKRightDlg& dlg) {
    dlg.GraphCoefficient = 0.00158;
    dlg.GraphBackground = -7;
    dlg.DeviceCoefficient = 158;
    dlg.DeviceBackground = 3;
}

// The four copies as one comparable value.
QList<double> Copies(const TOKRightDlg& dlg) {
    return {dlg.GraphCoefficient, double(dlg.GraphBackground), double(dlg.DeviceCoefficient),
            double(dlg.DeviceBackground)};
}

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");  // labels: position and room before their box
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label1") << "Label1" << QRect(8, 11, 53, 0) << "グラフ係数";
        QTest::newRow("Edit1") << "Edit1" << QRect(63, 8, 90, 21) << "";
        QTest::newRow("Label2") << "Label2" << QRect(160, 11, 73, 0) << "バックグラウンド";
        QTest::newRow("Edit2") << "Edit2" << QRect(235, 8, 87, 21) << "";
        QTest::newRow("Label3") << "Label3" << QRect(8, 38, 53, 0) << "本体係数";
        QTest::newRow("Edit3") << "Edit3" << QRect(63, 35, 90, 21) << "";
        QTest::newRow("Label4") << "Label4" << QRect(160, 38, 73, 0) << "バックグラウンド";
        QTest::newRow("Edit4") << "Edit4" << QRect(235, 35, 87, 21) << "";
        QTest::newRow("OKBtn") << "OKBtn" << QRect(124, 70, 81, 27) << "確定";
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        TOKRightDlg dlg;
        auto* widget = dlg.findChild<QWidget*>(name);
        QVERIFY(widget);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->pos(), geometry.topLeft());
            QVERIFY(label->width() <= geometry.width());
            QCOMPARE(label->text(), caption);
        } else {
            QCOMPARE(widget->geometry(), geometry);
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(button->isDefault());
        }
    }

    void frameFocusAndTabOrder() {
        TOKRightDlg dlg;
        QCOMPARE(dlg.windowTitle(), "各種設定");
        QCOMPARE(dlg.minimumSize(), QSize(330, 112));
        QCOMPARE(dlg.maximumSize(), QSize(330, 112));
        QVERIFY(
            !(dlg.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint)));
        QVERIFY(dlg.findChildren<QPushButton*>().size() == 1);

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.focusWidget(), dlg.OKBtn);
        const QPoint centre = dlg.screen()->geometry().center();
        QVERIFY((dlg.frameGeometry().center() - centre).manhattanLength() <= 1);

        QList<QWidget*> chain;
        QWidget* w = dlg.OKBtn;
        do {
            if (w->focusPolicy() & Qt::TabFocus) {
                chain << w;
            }
            w = w->nextInFocusChain();
        } while (w != dlg.OKBtn);
        QCOMPARE(chain, (QList<QWidget*>{dlg.OKBtn, dlg.Edit1, dlg.Edit2, dlg.Edit3, dlg.Edit4}));

        // Every showing starts afresh from the copies, with the focus back on OKBtn.
        dlg.Edit3->setFocus();
        dlg.hide();
        dlg.DeviceCoefficient = 5;
        dlg.show();
        QCOMPARE(dlg.Edit3->text(), "5E-5");
        QCOMPARE(dlg.focusWidget(), dlg.OKBtn);
    }

    void everyDeviceCoefficientSurvivesTheRoundTrip() {
        TOKRightDlg dlg;
        Fill(dlg);
        for (int value = 0; value <= 65535; ++value) {
            dlg.DeviceCoefficient = std::uint16_t(value);
            dlg.FormShow();
            dlg.setResult(QDialog::Rejected);
            dlg.OKBtnClick();
            if (dlg.result() != QDialog::Accepted || dlg.DeviceCoefficient != value) {
                QFAIL(qPrintable(QString("%1 shown as %2").arg(value).arg(dlg.Edit3->text())));
            }
        }
        QCOMPARE(Copies(dlg), (QList<double>{0.00158, -7, 65535, 3}));
    }

    // Each row puts one text into one box; the other boxes keep what FormShow put there.
    void convert_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("stored");  // NaN: refused
        const double refused = qQNaN();
        QTest::newRow("Edit1 empty") << 1 << "" << refused;
        QTest::newRow("Edit1 overflow") << 1 << "1e999" << refused;
        QTest::newRow("Edit1 inf") << 1 << "inf" << refused;
        QTest::newRow("Edit2 letters") << 2 << "12a" << refused;
        QTest::newRow("Edit2 beyond int32") << 2 << "2147483648" << refused;
        QTest::newRow("Edit3 0.00158") << 3 << "0.00158" << 158.0;
        QTest::newRow("Edit3 half, away from even") << 3 << "0.000025" << 3.0;
        QTest::newRow("Edit3 half, inexact in binary") << 3 << "0.000035" << 4.0;
        QTest::newRow("Edit3 half, exponent") << 3 << "6.55345E-1" << 65535.0;
        QTest::newRow("Edit3 small negative") << 3 << "-0.000004" << 0.0;
        QTest::newRow("Edit3 largest") << 3 << "0.65535" << 65535.0;
        QTest::newRow("Edit3 0.7 (was 4464)") << 3 << "0.7" << refused;
        QTest::newRow("Edit3 rounds past") << 3 << "0.655355" << refused;
        QTest::newRow("Edit3 huge") << 3 << "1e308" << refused;
        QTest::newRow("Edit4 70000 (was 4464)") << 4 << "70000" << refused;
        QTest::newRow("Edit4 -1 (was 65535)") << 4 << "-1" << refused;
        QTest::newRow("Edit4 largest") << 4 << "65535" << 65535.0;
    }
    void convert() {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(double, stored);
        TOKRightDlg dlg;
        Fill(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QList<QLineEdit*> boxes{dlg.Edit1, dlg.Edit2, dlg.Edit3, dlg.Edit4};
        QLineEdit* edit = boxes[box - 1];
        edit->setText(text);
        const QList<double> before = Copies(dlg);
        QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
        if (!qIsNaN(stored)) {
            QCOMPARE(dlg.result(), QDialog::Accepted);
            QCOMPARE(Copies(dlg)[box - 1], stored);
            return;
        }
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), QDialog::Rejected);
        QCOMPARE(Copies(dlg), before);
        QCOMPARE(edit->text(), text);
        QCOMPARE(dlg.focusWidget(), edit);
        QCOMPARE(edit->selectedText(), text);
        // The reason, beside the button and inside the dialog, names what the box takes.
        const QString reasons[] = {"数を", "整数を", "0〜0.65535", "0〜65535 の整数"};
        QVERIFY2(dlg.ReasonLabel->text().contains(reasons[box - 1]),
                 qPrintable(dlg.ReasonLabel->text()));
        QVERIFY(dlg.ReasonLabel->geometry().left() > dlg.OKBtn->geometry().right());
        QVERIFY(dlg.rect().contains(dlg.ReasonLabel->geometry()));
        QTest::keyClicks(edit, "1");  // the next edit takes it away
        QVERIFY(dlg.ReasonLabel->text().isEmpty());
        edit->setText("0");
        QTest::mouseClick(dlg.OKBtn, Qt::LeftButton);
        QCOMPARE(dlg.result(), QDialog::Accepted);
        QVERIFY(!dlg.isVisible());
    }

    // The counter read again while the dialog is open: boxes the user did not edit show the new
    // values; a typed one keeps its text and the note beside 確定 says why it differs.
    void counterReadAgain_data() {
        QTest::addColumn<QString>("typed");  // into Edit3
        QTest::addColumn<QString>("edit3");
        QTest::addColumn<QString>("edit4");
        QTest::addColumn<bool>("note");
        QTest::newRow("nothing typed") << ""
                                       << "0.003"
                                       << "9" << false;
        QTest::newRow("coefficient typed") << "0.002"
                                           << "0.002"
                                           << "9" << true;
        QTest::newRow("shown value typed") << "0.00158"
                                           << "0.00158"
                                           << "9" << true;
    }
    void counterReadAgain() {
        QFETCH(QString, typed);
        QFETCH(QString, edit3);
        QFETCH(QString, edit4);
        QFETCH(bool, note);
        TOKRightDlg dlg;
        Fill(dlg);
        dlg.ReadDeviceCoefficient = dlg.DeviceCoefficient;
        dlg.ReadDeviceBackground = dlg.DeviceBackground;
        dlg.show();
        if (!typed.isEmpty()) {
            dlg.Edit3->selectAll();
            QTest::keyClicks(dlg.Edit3, typed);
        }
        dlg.CounterValuesRead(300, 9);
        QCOMPARE(dlg.Edit3->text(), edit3);
        QCOMPARE(dlg.Edit4->text(), edit4);
        QCOMPARE(!dlg.ReasonLabel->text().isEmpty(), note);
        dlg.CounterValuesRead(300, 9);  // the same values again change nothing
        QCOMPARE(dlg.Edit3->text(), edit3);
    }
};
SOLAMINE_TEST(SettingsDialogTest)

#include "tst_settingsdialog.moc"
