#include "cases/PatientForm.h"
#include "pkcore/SessionData.h"
#include "tests/support/TestMain.h"

namespace
{
constexpr double kTolerance = 1e-9;

PatientFormInput typedForm()
{
    PatientFormInput in;
    in.firstName = QStringLiteral("Ann");
    in.lastName = QStringLiteral("Lee");
    in.birthday = QStringLiteral("05/20/1961");
    in.today = QDate(2026, 12, 7);
    in.weight = QStringLiteral("154");
    in.height = QStringLiteral("70");
    in.drugName = QStringLiteral("Gentamicin");
    in.crs = QStringLiteral("1.2");
    in.crs2 = QStringLiteral("1.8");
    in.crsTime = QStringLiteral("24");
    return in;
}
} // namespace

// The form's value reaches the session in the program's units without any widget.
class TestPatientForm : public QObject
{
    Q_OBJECT
private slots:
    void measuresAndRenalFunction_data();
    void measuresAndRenalFunction();
    void unchosenSexLeavesTheStoredOne();
};

void TestPatientForm::measuresAndRenalFunction_data()
{
    QTest::addColumn<bool>("pounds");
    QTest::addColumn<bool>("inches");
    QTest::addColumn<bool>("changing");
    QTest::addColumn<double>("weightKg");
    QTest::addColumn<double>("heightCm");
    QTest::addColumn<QString>("units");
    QTest::addColumn<double>("scr2");

    QTest::newRow("kg, cm, stable") << false << false << false << 154.0 << 70.0 << "kg cm" << -1.0;
    QTest::newRow("lb, in, changing")
        << true << true << true << 154.0 * 0.453597 << 70.0 * 2.5399 << "lb in" << 1.8;
}

void TestPatientForm::measuresAndRenalFunction()
{
    QFETCH(bool, pounds);
    QFETCH(bool, inches);
    QFETCH(bool, changing);
    QFETCH(double, weightKg);
    QFETCH(double, heightCm);
    QFETCH(QString, units);
    QFETCH(double, scr2);

    PatientFormInput in = typedForm();
    in.weightInPounds = pounds;
    in.heightInInches = inches;
    in.changingRenalFunction = changing;
    SessionData s;
    PatientForm::applyForm(in, s);

    QVERIFY(qAbs(s.weightKg - weightKg) < kTolerance);
    QVERIFY(qAbs(s.heightCm - heightCm) < kTolerance);
    QCOMPARE(s.patient.weightUnit + QLatin1Char(' ') + s.patient.heightUnit, units);
    QCOMPARE(s.renalMode,
             changing ? PatientForm::changingRenalFunction : PatientForm::stableRenalFunction);
    QCOMPARE(s.scr2, scr2);
    QCOMPARE(s.patient.drugCode, QStringLiteral("GM"));
    QVERIFY(s.ageYears > 65.0 && s.ageYears < 66.0);
}

void TestPatientForm::unchosenSexLeavesTheStoredOne()
{
    SessionData s;
    s.patient.sex = QStringLiteral("M");
    PatientForm::applyForm(typedForm(), s);
    QCOMPARE(s.patient.sex, QStringLiteral("M"));

    PatientFormInput in = typedForm();
    in.sex = Sex::Female;
    PatientForm::applyForm(in, s);
    QCOMPARE(s.patient.sex, QStringLiteral("F"));
}

TALVORA_TEST_MAIN(TestPatientForm)
#include "tst_patientform.moc"
