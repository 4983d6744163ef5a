#include "platform/OleDate.h"
#include "tests/support/TestMain.h"

#include <cmath>
#include <limits>

namespace
{
constexpr double secondsPerDay = 86400.0;

QString fieldsText(const OleDateFields& f)
{
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d %s", f.year, f.month, f.day, f.hour,
                             f.minute, f.second, f.valid ? "valid" : "invalid");
}

QString fieldsText(int y, int mo, int d, int h, int mi, int s)
{
    OleDateFields f;
    f.year = y;
    f.month = mo;
    f.day = d;
    f.hour = h;
    f.minute = mi;
    f.second = s;
    f.valid = true;
    return fieldsText(f);
}
} // namespace

class TestOleDate : public QObject
{
    Q_OBJECT
private slots:
    void knownValues_data();
    void knownValues();
    void valuesBetweenMinusOneAndZero_data();
    void valuesBetweenMinusOneAndZero();
    void roundsToTheSecond_data();
    void roundsToTheSecond();
    void invalidFields_data();
    void invalidFields();
    void invalidValues_data();
    void invalidValues();
    void roundTripsEveryDayAroundTheEpoch();
    void roundTripsAcrossTheRange();
    void fromDateTime_data();
    void fromDateTime();
    void qtHelpers();
};

void TestOleDate::knownValues_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<double>("value");
    QTest::newRow("epoch") << 1899 << 12 << 30 << 0 << 0 << 0 << 0.0;
    QTest::newRow("epoch 06:00") << 1899 << 12 << 30 << 6 << 0 << 0 << 0.25;
    QTest::newRow("1 January 1900") << 1900 << 1 << 1 << 0 << 0 << 0 << 2.0;
    QTest::newRow("28 February 1900") << 1900 << 2 << 28 << 0 << 0 << 0 << 60.0;
    QTest::newRow("1 March 1900") << 1900 << 3 << 1 << 0 << 0 << 0 << 61.0;
    QTest::newRow("2000") << 2000 << 1 << 1 << 0 << 0 << 0 << 36526.0;
    QTest::newRow("29 February 2024 18:00") << 2024 << 2 << 29 << 18 << 0 << 0 << 45351.75;
    QTest::newRow("day before epoch 06:00") << 1899 << 12 << 29 << 6 << 0 << 0 << -1.25;
    QTest::newRow("two days before 18:00") << 1899 << 12 << 28 << 18 << 0 << 0 << -2.75;
    QTest::newRow("1800") << 1800 << 1 << 1 << 0 << 0 << 0 << -36522.0;
    QTest::newRow("first representable day") << 100 << 1 << 1 << 0 << 0 << 0 << -657434.0;
    QTest::newRow("first day, noon") << 100 << 1 << 1 << 12 << 0 << 0 << -657434.5;
    QTest::newRow("last representable day") << 9999 << 12 << 31 << 0 << 0 << 0 << 2958465.0;
}

void TestOleDate::knownValues()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(double, value);

    const OleDate date = oleDateFromFields(year, month, day, hour, minute, second);
    QVERIFY(date.valid);
    QCOMPARE(date.value, value);
    QCOMPARE(fieldsText(oleDateToFields(value)),
             fieldsText(year, month, day, hour, minute, second));
}

// Both signs of a value under one day name the epoch itself.
void TestOleDate::valuesBetweenMinusOneAndZero_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("-0.5") << -0.5;
    QTest::newRow("0.5") << 0.5;
}

void TestOleDate::valuesBetweenMinusOneAndZero()
{
    QFETCH(double, value);
    QCOMPARE(fieldsText(oleDateToFields(value)), fieldsText(1899, 12, 30, 12, 0, 0));
}

void TestOleDate::roundsToTheSecond_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("0.4 s down") << 0.5 + 0.4 / secondsPerDay << fieldsText(1899, 12, 30, 12, 0, 0);
    QTest::newRow("0.6 s up") << 0.5 + 0.6 / secondsPerDay << fieldsText(1899, 12, 30, 12, 0, 1);
    QTest::newRow("minute carries")
        << 0.5 + 59.7 / secondsPerDay << fieldsText(1899, 12, 30, 12, 1, 0);
    QTest::newRow("carries into next day")
        << 1.0 - 0.3 / secondsPerDay << fieldsText(1899, 12, 31, 0, 0, 0);
    QTest::newRow("carries into next day before epoch")
        << -1.0 - 86399.7 / secondsPerDay << fieldsText(1899, 12, 30, 0, 0, 0);
    QTest::newRow("carries into next year")
        << 36525.0 + 86399.8 / secondsPerDay << fieldsText(2000, 1, 1, 0, 0, 0);
    QTest::newRow("just before epoch, late")
        << -1.0 - 86398.6 / secondsPerDay << fieldsText(1899, 12, 29, 23, 59, 59);
    QTest::newRow("2000 with time") << 36526.0 + (13 * 3600 + 14 * 60 + 15.2) / secondsPerDay
                                    << fieldsText(2000, 1, 1, 13, 14, 15);
}

void TestOleDate::roundsToTheSecond()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(fieldsText(oleDateToFields(value)), expected);
}

void TestOleDate::invalidFields_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::newRow("29 February 2023") << 2023 << 2 << 29 << 0 << 0 << 0;
    QTest::newRow("29 February 1900") << 1900 << 2 << 29 << 0 << 0 << 0;
    QTest::newRow("29 February 1700") << 1700 << 2 << 29 << 0 << 0 << 0;
    QTest::newRow("31 April") << 2020 << 4 << 31 << 0 << 0 << 0;
    QTest::newRow("month 0") << 2020 << 0 << 1 << 0 << 0 << 0;
    QTest::newRow("month 13") << 2020 << 13 << 1 << 0 << 0 << 0;
    QTest::newRow("day 0") << 2020 << 1 << 0 << 0 << 0 << 0;
    QTest::newRow("hour 24") << 2020 << 1 << 1 << 24 << 0 << 0;
    QTest::newRow("minute 60") << 2020 << 1 << 1 << 0 << 60 << 0;
    QTest::newRow("second 60") << 2020 << 1 << 1 << 0 << 0 << 60;
    QTest::newRow("negative hour") << 2020 << 1 << 1 << -1 << 0 << 0;
    QTest::newRow("year 99") << 99 << 12 << 31 << 0 << 0 << 0;
    QTest::newRow("year 10000") << 10000 << 1 << 1 << 0 << 0 << 0;
    QTest::newRow("year 0") << 0 << 1 << 1 << 0 << 0 << 0;
    QTest::newRow("negative year") << -5 << 1 << 1 << 0 << 0 << 0;
}

void TestOleDate::invalidFields()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QVERIFY(!oleDateFromFields(year, month, day, hour, minute, second).valid);
}

void TestOleDate::invalidValues_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
    QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity();
    QTest::newRow("huge") << 1e300;
    QTest::newRow("hugely negative") << -1e300;
    QTest::newRow("year 99") << -657435.0;
    QTest::newRow("year 10000") << 2958466.0;
    QTest::newRow("rounds into year 10000") << 2958465.0 + 86399.6 / secondsPerDay;
}

void TestOleDate::invalidValues()
{
    QFETCH(double, value);
    const OleDateFields fields = oleDateToFields(value);
    QVERIFY(!fields.valid);
    QCOMPARE(fields.year, -1);
    QVERIFY(!oleDateToDate(value).isValid());
    QVERIFY(!oleDateToDateTime(value).isValid());
}

void TestOleDate::roundTripsEveryDayAroundTheEpoch()
{
    // Every day of 1890 to 1910 (two leap days and the non-leap 1900), each at its own time.
    int secondOfDay = 0;
    for (QDate d(1890, 1, 1); d < QDate(1911, 1, 1); d = d.addDays(1)) {
        secondOfDay = (secondOfDay + 7919) % 86400;
        const int h = secondOfDay / 3600, mi = secondOfDay / 60 % 60, s = secondOfDay % 60;
        const OleDate date = oleDateFromFields(d.year(), d.month(), d.day(), h, mi, s);
        QVERIFY2(date.valid, qPrintable(d.toString(Qt::ISODate)));
        QCOMPARE(fieldsText(oleDateToFields(date.value)),
                 fieldsText(d.year(), d.month(), d.day(), h, mi, s));
        QCOMPARE(date.value < 0, d < QDate(1899, 12, 30));
    }
}

void TestOleDate::roundTripsAcrossTheRange()
{
    for (QDate d(100, 1, 1); d.year() <= 9999; d = d.addDays(997)) {
        const OleDate date = oleDateFromFields(d.year(), d.month(), d.day(), 23, 59, 59);
        QVERIFY2(date.valid, qPrintable(d.toString(Qt::ISODate)));
        QCOMPARE(fieldsText(oleDateToFields(date.value)),
                 fieldsText(d.year(), d.month(), d.day(), 23, 59, 59));
    }
    for (const QDate& leap : {QDate(1600, 2, 29), QDate(1896, 2, 29), QDate(1904, 2, 29),
                              QDate(2000, 2, 29), QDate(2024, 2, 29)}) {
        const OleDate date = oleDateFromDate(leap);
        QVERIFY2(date.valid, qPrintable(leap.toString(Qt::ISODate)));
        QCOMPARE(oleDateToDate(date.value), leap);
    }
}

void TestOleDate::fromDateTime_data()
{
    QTest::addColumn<QDateTime>("dateTime");
    QTest::addColumn<QString>("expected");
    const QDate day(2020, 5, 6);
    QTest::newRow("499 ms down") << QDateTime(day, QTime(12, 34, 56, 499))
                                 << fieldsText(2020, 5, 6, 12, 34, 56);
    QTest::newRow("500 ms up") << QDateTime(day, QTime(12, 34, 56, 500))
                               << fieldsText(2020, 5, 6, 12, 34, 57);
    QTest::newRow("into next day")
        << QDateTime(day, QTime(23, 59, 59, 700)) << fieldsText(2020, 5, 7, 0, 0, 0);
    QTest::newRow("before 1900") << QDateTime(QDate(1850, 7, 4), QTime(8, 0), Qt::UTC)
                                 << fieldsText(1850, 7, 4, 8, 0, 0);
    QTest::newRow("invalid") << QDateTime() << fieldsText(OleDateFields());
}

void TestOleDate::fromDateTime()
{
    QFETCH(QDateTime, dateTime);
    QFETCH(QString, expected);
    const OleDate date = oleDateFromDateTime(dateTime);
    QCOMPARE(fieldsText(date.valid ? oleDateToFields(date.value) : OleDateFields()), expected);
}

void TestOleDate::qtHelpers()
{
    QCOMPARE(oleDateToDate(-1.25), QDate(1899, 12, 29));
    QCOMPARE(oleDateToDateTime(45351.75), QDateTime(QDate(2024, 2, 29), QTime(18, 0)));
    QVERIFY(!oleDateFromDate(QDate()).valid);
    const OleDate birthday = oleDateFromDate(QDate(1896, 2, 29));
    QVERIFY(birthday.valid);
    QCOMPARE(birthday.value, -1400.0);
}

TALVORA_TEST_MAIN(TestOleDate)
#include "tst_oledate.moc"
