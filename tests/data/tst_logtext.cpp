#include "CsvLog.h"
#include "DateTime.h"
#include "DisplayRules.h"
#include "SampleLog.h"
#include "TestMain.h"

#include <QTest>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// The line format written the plain way, with printf and strings, to hold the fast writers to.
std::string PlainGeneral(double v) {
    if (std::isnan(v)) {
        return "NAN";
    }
    if (std::isinf(v)) {
        return v < 0 ? "-INF" : "INF";
    }
    if (v == 0) {
        return "0";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    const std::string text(buf);
    const size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int exp = std::stoi(text.substr(e + 1));
    std::string out = v < 0 ? "-" : "";
    if (exp >= -4 && exp < 15) {
        if (exp < 0) {
            return out + "0." + std::string(size_t(-exp - 1), '0') + digits;
        }
        if (int(digits.size()) <= exp + 1) {
            return out + digits + std::string(size_t(exp + 1) - digits.size(), '0');
        }
        return out + digits.substr(0, size_t(exp + 1)) + "." + digits.substr(size_t(exp + 1));
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) {
        out.append(".").append(digits, 1);
    }
    return out + "E" + std::to_string(exp);
}

std::string PlainLine(const LogRecord& r) {
    const DateTime::Parts p = DateTime::Decode(r.Time);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%02d, %02d:%02d, %d", p.date.year % 100, p.date.month,
                  p.date.day, p.time.hour, p.time.minute, r.Cpm);
    return r.HasDose() ? buf + (", " + PlainGeneral(r.Dose)) : std::string(buf);
}

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Doses at the edges of the number format: the fixed and scientific ranges, rounding across a
// power of ten, the shortest and longest digits, signs, zeros and the non-finite values.
const std::vector<double> kEdgeDoses = {0.0,
                                        -0.0,
                                        0.0632,
                                        0.0553,
                                        1.0 / 3,
                                        0.1 + 0.2,
                                        25,
                                        -3,
                                        0.0001,
                                        0.00009999999999999999,
                                        0.0000999999999999,
                                        5e-5,
                                        1e-5,
                                        999999999999999.9,
                                        1e15,
                                        123456789012345.0,
                                        1234567890123456.0,
                                        99999999999999.99,
                                        1e300,
                                        -2.5e-7,
                                        4.9406564584124654e-324,
                                        2.2250738585072014e-308,
                                        kMax,
                                        -kMax,
                                        kInf,
                                        -kInf,
                                        kNaN};

// Times: whole minutes, seconds, day ends that round into the next day, the epoch, days
// before it, far years and values beyond any date.
const std::vector<double> kEdgeTimes = {0.0,
                                        -1.25,
                                        -0.5,
                                        1.0 / 1440,
                                        45000.99999999999,
                                        45000.999999,
                                        46000 + 0.5 / 86'400'000,
                                        -693593.0,
                                        -700000.75,
                                        2958465.999,
                                        2999999.5,
                                        3000000.5,
                                        1e20,
                                        -kInf,
                                        kNaN};

LogRecord RandomRecord(std::mt19937_64& random) {
    std::uniform_int_distribution<int> pick(0, 9);
    std::uniform_int_distribution<std::int32_t> anyCount(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int> minute(0, 200 * 525'600);
    LogRecord r;
    switch (pick(random) % 3) {
        case 0:
            r.Time = kEdgeTimes[random() % kEdgeTimes.size()];
            break;
        case 1:
            r.Time = std::uniform_real_distribution<double>(-800000, 3100000)(random);
            break;
        default:
            r.Time = DateTime::Encode(1950, 1, 1) + minute(random) / 1440.0;
            break;
    }
    r.Cpm = pick(random) < 5 ? int(random() % 100) : anyCount(random);
    switch (pick(random) % 4) {
        case 0:
            r.Dose = kEdgeDoses[random() % kEdgeDoses.size()];
            break;
        case 1:
            r.Dose = std::bit_cast<double>(std::uint64_t(random()));
            break;
        case 2:
            r.Dose = 0.00158 * int(random() % 500) * 0.1;
            break;
        default:
            break;  // no dose
    }
    return r;
}

}  // namespace

class LogTextTest : public QObject {
    Q_OBJECT

private slots:
    // One line at a time and a whole file text (whose writer keeps recent dates and doses)
    // give the plain formatter's bytes; runs of one day and of one dose come up as in a log.
    void linesMatchThePlainFormat() {
        std::mt19937_64 random(11);
        std::vector<LogRecord> records;
        std::string expected;
        for (int i = 0; i < 40'000; ++i) {
            LogRecord r = RandomRecord(random);
            if (i % 3 != 0 && !records.empty()) {
                r.Time = records.back().Time + 1.0 / 1440;
                r.Dose = records.back().Dose;
            }
            const std::string line = PlainLine(r);
            QCOMPARE(LogLine(r).toStdString(), line);
            expected += line + "\r\n";
            records.push_back(r);
        }
        QCOMPARE(CsvText(records).toStdString(), expected);
    }

    // The file text of a log gives each sample the dose of the ten samples before it, as the
    // rule computes it one window at a time, for any settings and counts.
    void fileTextMatchesTheDoseRule_data() {
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("background");
        QTest::addColumn<bool>("extremeCounts");
        QTest::newRow("defaults") << 0.00158 << 0 << false;
        QTest::newRow("background above some counts") << 0.00158 << 35 << false;
        QTest::newRow("negative coefficient") << -0.5 << -7 << false;
        QTest::newRow("huge coefficient") << 1e300 << 0 << false;
        QTest::newRow("extreme counts, lowest background") << 1.0 << INT32_MIN << true;
        QTest::newRow("extreme counts, highest background") << 0.00158 << INT32_MAX << true;
    }
    void fileTextMatchesTheDoseRule() {
        QFETCH(double, coefficient);
        QFETCH(int, background);
        QFETCH(bool, extremeCounts);
        const GraphSettings settings{coefficient, background};
        std::mt19937_64 random(7);
        std::poisson_distribution<int> counts(35);
        SampleLog log;
        const double start = DateTime::Encode(2026, 12, 31, 20, 0);
        for (int i = 0; i < 5'000; ++i) {
            int cpm = counts(random);
            if (extremeCounts && i % 7 == 0) {
                cpm = i % 2 ? INT32_MAX : INT32_MIN;
            }
            log.Append({start + i / 1440.0, cpm});
        }
        std::string expected;
        for (int i = 0; i < log.Count(); ++i) {
            LogRecord r{log.At(i).Time, log.At(i).Cpm};
            if (i >= 10) {
                r.Dose = DoseRate(log, i - 1, settings);
            }
            expected += PlainLine(r) + "\r\n";
        }
        QCOMPARE(CsvTextOf(log, settings).toStdString(), expected);
    }
};

SOLAMINE_TEST(LogTextTest)
#include "tst_logtext.moc"
