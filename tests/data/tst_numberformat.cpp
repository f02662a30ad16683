#include "NumberFormat.h"
#include "TestMain.h"

#include <QTest>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

// Formatting a finite double and parsing the text gives a finite double within the 15-digit
// rounding; subnormals carry fewer digits of their own.
bool FormatsBack(double value) {
    const auto back = NumberFormat::ParseFloat(NumberFormat::FormatGeneral(value));
    return back && std::isfinite(*back) &&
           std::fabs(*back - value) <=
               std::max(std::fabs(value) * 1e-14, std::numeric_limits<double>::denorm_min());
}

}  // namespace

class NumberFormatTest : public QObject {
    Q_OBJECT

private slots:
    void formatGeneral_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("coefficient") << 0.00158 << "0.00158";
        QTest::newRow("example dose") << 0.0632 << "0.0632";
        QTest::newRow("other dose") << 0.0553 << "0.0553";
        QTest::newRow("smallest fixed") << 0.0001 << "0.0001";
        QTest::newRow("largest scientific below") << 0.00005 << "5E-5";
        QTest::newRow("1E-5") << 0.00001 << "1E-5";
        QTest::newRow("1E15") << 1e15 << "1E15";
        QTest::newRow("15 digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("third") << 1.0 / 3.0 << "0.333333333333333";
        QTest::newRow("negative scientific") << -2.5e-7 << "-2.5E-7";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("rounds across a power of ten") << 999999999999999.9 << "1E15";
        QTest::newRow("long scientific") << 1234567890123456.0 << "1.23456789012346E15";
        QTest::newRow("whole") << 25.0 << "25";
        QTest::newRow("negative whole") << -3.0 << "-3";
        QTest::newRow("rounds to 15 digits") << 0.1 + 0.2 << "0.3";
        QTest::newRow("fraction") << 12.7 << "12.7";
        QTest::newRow("rounds up to fixed") << 0.00009999999999999999 << "0.0001";
        QTest::newRow("stays scientific") << 0.0000999999999999 << "9.99999999999E-5";
        QTest::newRow("large exponent") << 1e300 << "1E300";
        QTest::newRow("tiny") << 4.9406564584124654e-324 << "4.94065645841247E-324";
    }
    void formatGeneral() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(NumberFormat::FormatGeneral(value), text);
    }

    void nonFinite() {
        QCOMPARE(NumberFormat::FormatGeneral(std::numeric_limits<double>::quiet_NaN()), "NAN");
        QCOMPARE(NumberFormat::FormatGeneral(std::numeric_limits<double>::infinity()), "INF");
        QCOMPARE(NumberFormat::FormatGeneral(-std::numeric_limits<double>::infinity()), "-INF");
    }

    // Every text the formatter gives must read back as the same 15-digit value.
    void formatThenParse_data() {
        QTest::addColumn<double>("value");
        using limits = std::numeric_limits<double>;
        for (double v : {0.00158, 5e-5, 1e15, -2.5e-7, 65535 * 0.00001, 158 * 0.00001, 7.0,
                         limits::max(), -limits::max(), std::nextafter(limits::max(), 0.0),
                         limits::min(), limits::denorm_min(), -limits::denorm_min(),
                         9.99999999999999e307, 1.7976931348623e308}) {
            QTest::addRow("%.17g", v) << v;
        }
    }
    void formatThenParse() {
        QFETCH(double, value);
        QVERIFY(FormatsBack(value));
    }
    void formatThenParseRandom() {
        std::mt19937_64 random(20261208);
        for (int i = 0; i < 100000; ++i) {
            // Any bit pattern that is a finite double, so every exponent is reached.
            const double v = std::bit_cast<double>(std::uint64_t(random()));
            if (std::isfinite(v) && !FormatsBack(v)) {
                QFAIL(qPrintable(QString::asprintf("%.17g", v)));
            }
        }
    }

    void parseFloat_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "0.00158" << true << 0.00158;
        QTest::newRow("whole") << "25" << true << 25.0;
        QTest::newRow("signs") << "-3.5" << true << -3.5;
        QTest::newRow("plus") << "+12.7" << true << 12.7;
        QTest::newRow("exponent") << "5E-5" << true << 5e-5;
        QTest::newRow("lower exponent") << "1e15" << true << 1e15;
        QTest::newRow("exponent with plus") << "1E+3" << true << 1000.0;
        QTest::newRow("spaces around") << "  7.5 " << true << 7.5;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "5." << true << 5.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("decimal comma") << "0,002" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("infinity") << "-Infinity" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("trailing junk") << "12abc" << false << 0.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("lone sign") << "-" << false << 0.0;
        QTest::newRow("lone point") << "." << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("space inside") << "1 2" << false << 0.0;
        QTest::newRow("overflow") << "1e400" << false << 0.0;
        QTest::newRow("largest double in 15 digits")
            << "1.79769313486232E308" << true << std::numeric_limits<double>::max();
        QTest::newRow("the same, negative")
            << "-1.79769313486232E308" << true << -std::numeric_limits<double>::max();
        QTest::newRow("the same, written out differently")
            << "179.769313486232e306" << true << std::numeric_limits<double>::max();
        QTest::newRow("beyond the 15-digit form") << "1.797693134862321E308" << false << 0.0;
        QTest::newRow("next 15-digit value") << "1.79769313486233E308" << false << 0.0;
        QTest::newRow("underflow") << "1e-400" << false << 0.0;
        QTest::newRow("full-width digit") << QString::fromUtf8("１") << false << 0.0;
    }
    void parseFloat() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto parsed = NumberFormat::ParseFloat(text);
        QCOMPARE(parsed.has_value(), ok);
        if (ok) {
            QCOMPARE(*parsed, value);
        }
    }

    void parseInt32_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "40" << true << 40;
        QTest::newRow("negative") << "-12" << true << -12;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("leading zeros") << "007" << true << 7;
        QTest::newRow("spaces") << " 5 " << true << 5;
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("above max") << "2147483648" << false << 0;
        QTest::newRow("below min") << "-2147483649" << false << 0;
        QTest::newRow("huge") << "99999999999999999999" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("hex") << "$10" << false << 0;
        QTest::newRow("exponent") << "1e3" << false << 0;
    }
    void parseInt32() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const auto parsed = NumberFormat::ParseInt32(text);
        QCOMPARE(parsed.has_value(), ok);
        if (ok) {
            QCOMPARE(*parsed, value);
        }
    }
};

SOLAMINE_TEST(NumberFormatTest)
#include "tst_numberformat.moc"
