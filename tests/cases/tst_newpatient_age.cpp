#include "cases/AgeCalculator.h"
#include "cases/PatientValidation.h"
#include "tests/support/TestMain.h"

#include <QDate>

namespace
{
constexpr double kTolerance = 1e-12;
constexpr double kYear = 365.0;
} // namespace

class TestNewPatientAge : public QObject
{
    Q_OBJECT
private slots:
    void ageInYears_data();
    void ageInYears();
    void birthdayFormat_data();
    void birthdayFormat();
    void birthdayRange_data();
    void birthdayRange();
};

void TestNewPatientAge::ageInYears_data()
{
    QTest::addColumn<QDate>("birth");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<double>("age");

    const QDate d(2026, 12, 7);
    QTest::newRow("born today") << d << d << 0.0;
    QTest::newRow("one year and a day") << d.addYears(-1).addDays(-1) << d << 1.0 + 1.0 / kYear;
    QTest::newRow("birthday today") << QDate(2016, 12, 7) << d << 10.0;
    QTest::newRow("birthday tomorrow") << QDate(2016, 12, 8) << d << 9.0 + 364.0 / kYear;
    QTest::newRow("birthday yesterday") << QDate(2016, 12, 6) << d << 10.0 + 1.0 / kYear;
    QTest::newRow("end of year, birthday in january")
        << QDate(2000, 1, 1) << QDate(2026, 12, 31) << 26.0 + 364.0 / kYear;
    QTest::newRow("leap birthday on 28 february of a common year")
        << QDate(2000, 2, 29) << QDate(2001, 2, 28) << 1.0;
    QTest::newRow("leap birthday the day before")
        << QDate(2000, 2, 29) << QDate(2001, 2, 27) << 364.0 / kYear;
    QTest::newRow("leap birthday in a leap year")
        << QDate(2000, 2, 29) << QDate(2004, 2, 29) << 4.0;
    // 2003-02-28 to 2004-02-28 holds 29 February: still short of the birthday.
    QTest::newRow("leap birthday, day before in a leap year")
        << QDate(2000, 2, 29) << QDate(2004, 2, 28) << 3.0 + 364.0 / kYear;
    QTest::newRow("leap birthday, 1 march of a common year")
        << QDate(2000, 2, 29) << QDate(2001, 3, 1) << 1.0 + 1.0 / kYear;
    QTest::newRow("born after today") << d.addDays(1) << d << -1.0;
    QTest::newRow("no birth date") << QDate() << d << -1.0;
    QTest::newRow("no today") << d << QDate() << -1.0;
}

void TestNewPatientAge::ageInYears()
{
    QFETCH(QDate, birth);
    QFETCH(QDate, today);
    QFETCH(double, age);
    const double actual = AgeCalculator::ageInYears(birth, today);
    QVERIFY2(qAbs(actual - age) < kTolerance,
             qPrintable(QStringLiteral("%1 != %2").arg(actual, 0, 'g', 17).arg(age, 0, 'g', 17)));
}

void TestNewPatientAge::birthdayFormat_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("MM/DD/YYYY") << "03/09/2014" << true;
    QTest::newRow("nine characters") << "1/1/2000" << false;
    QTest::newRow("month of one digit") << "1/01/20000" << false;
    QTest::newRow("no slashes") << "0309201400" << false;
    QTest::newRow("dashes") << "03-09-2014" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("sign in the year") << "03/09/+014" << false;
    QTest::newRow("blank in the day") << "03/ 9/2014" << false;
}

void TestNewPatientAge::birthdayFormat()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(PatientValidation::isBirthdayFormatValid(text), valid);
}

void TestNewPatientAge::birthdayRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    // Today is 12/07/2026 for these rows.
    QTest::newRow("leap day of a leap year") << "02/29/2024" << true;
    QTest::newRow("leap day of a common year") << "02/29/2023" << false;
    QTest::newRow("month 0") << "00/10/2000" << false;
    QTest::newRow("month 13") << "13/01/2000" << false;
    QTest::newRow("31 april") << "04/31/2000" << false;
    QTest::newRow("day 0") << "05/00/2000" << false;
    QTest::newRow("today") << "12/07/2026" << true;
    QTest::newRow("tomorrow") << "12/08/2026" << false;
    QTest::newRow("next month") << "01/01/2027" << false;
    QTest::newRow("later this year, earlier month") << "11/30/2026" << true;
    QTest::newRow("120 years back, last day") << "12/31/1906" << true;
    QTest::newRow("120 years back, first day") << "01/01/1906" << true;
    QTest::newRow("121 years back") << "12/31/1905" << false;
}

void TestNewPatientAge::birthdayRange()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const QDate today(2026, 12, 7);
    QCOMPARE(PatientValidation::isBirthdayInRange(text, today), valid);
    QCOMPARE(PatientValidation::birthdayDate(text, today).isValid(), valid);
}

TALVORA_TEST_MAIN(TestNewPatientAge)
#include "tst_newpatient_age.moc"
