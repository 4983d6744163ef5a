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
    QTest::addColumn<bool>("imperial"); // pounds and inches
    QTest::addColumn<bool>("changing");
    QTest::addColumn<double>("weightKg");
    QTest::addColumn<double>("heightCm");

    QTest::newRow("kg, cm, stable") << false << false << 154.0 << 70.0;
    QTest::newRow("lb, in, changing") << true << true << 69.853938 << 177.793;
}

void TestPatientForm::measuresAndRenalFunction()
{
    QFETCH(bool, imperial);
    QFETCH(bool, changing);
    QFETCH(double, weightKg);
    QFETCH(double, heightCm);

    PatientFormInput in = typedForm();
    in.weightInPounds = in.heightInInches = imperial;
    in.changingRenalFunction = changing;
    SessionData s;
    PatientForm::applyForm(in, s);

    QVERIFY(qAbs(s.weightKg - weightKg) < kTolerance);
    QVERIFY(qAbs(s.heightCm - heightCm) < kTolerance);
    QCOMPARE(s.patient.weightUnit + QLatin1Char(' ') + s.patient.heightUnit,
             QString(imperial ? "lb in" : "kg cm"));
    QCOMPARE(s.renalMode,
             changing ? PatientForm::changingRenalFunction : PatientForm::stableRenalFunction);
    QCOMPARE(s.scr2, changing ? 1.8 : -1.0);
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
