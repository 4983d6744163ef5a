#include "cases/userChoice.h"
#include "pkcore/PkIndices.h"
#include "pkcore/SessionData.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSqlQuery>

#include <memory>

namespace
{
using testsupport::requireChild;

const QString kRefused = QStringLiteral("background-color:rgb(255, 102, 102);");
constexpr int kStoredCase = 12;
constexpr double kWeightKg = 70.0;
constexpr double kTolerance = 1e-12;

const QStringList kRequired = {"drugName", "cl", "vd", "cf", "tmin", "tmax"};
const QStringList kRouteBoxes = {"check_oral", "check_im", "check_iv"};

QLineEdit* edit(userChoice& d, const QString& name)
{
    return requireChild<QLineEdit>(&d, name);
}

bool marked(userChoice& d, const QString& name)
{
    return requireChild<QWidget>(&d, name)->styleSheet() == kRefused;
}

QStringList markedFields(userChoice& d)
{
    QStringList names;
    for (QWidget* w : d.findChildren<QWidget*>()) {
        if (w->styleSheet() == kRefused)
            names << w->objectName();
    }
    names.sort();
    return names;
}

// A drug that passes every check: clearance 100 mL/min, Vd 0.7 L/kg, CF 80 %, range 10-20,
// given IV only.
void fillValid(userChoice& d)
{
    edit(d, "drugName")->setText(QStringLiteral("Drugex"));
    edit(d, "cl")->setText(QStringLiteral("100"));
    requireChild<QRadioButton>(&d, "RB4")->setChecked(true);
    edit(d, "vd")->setText(QStringLiteral("0.7"));
    requireChild<QRadioButton>(&d, "RB6")->setChecked(true);
    edit(d, "cf")->setText(QStringLiteral("80"));
    edit(d, "tmin")->setText(QStringLiteral("10"));
    edit(d, "tmax")->setText(QStringLiteral("20"));
    requireChild<QCheckBox>(&d, "check_iv")->setChecked(true);
    edit(d, "iv_salt")->setText(QStringLiteral("1"));
}

// Field texts and route ticks over the valid drug: "check_*" keys take "1" or "0".
void apply(userChoice& d, const QVariantMap& changes)
{
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        if (it.key().startsWith(QLatin1String("check_")))
            requireChild<QCheckBox>(&d, it.key())->setChecked(it.value().toString() == "1");
        else
            edit(d, it.key())->setText(it.value().toString());
    }
}

bool storeRows(int caseNumber, const QStringList& drug, const QList<QStringList>& routes)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("INSERT INTO UserChoice VALUES(:c,:n,:u,:cl,:clu,:vd,:vdu,:cf,:tmin,"
                             ":tmax,:lag)"));
    q.bindValue(":c", QString::number(caseNumber));
    const QStringList names = {":n",   ":u",  ":cl",   ":clu",  ":vd",
                               ":vdu", ":cf", ":tmin", ":tmax", ":lag"};
    for (int i = 0; i < names.size(); ++i)
        q.bindValue(names[i], drug.value(i));
    if (!q.exec())
        return false;
    for (const QStringList& route : routes) {
        q.prepare(QStringLiteral("INSERT INTO UserChoiceRoute VALUES(:c,:r,:f,:s,:k,:F)"));
        q.bindValue(":c", QString::number(caseNumber));
        q.bindValue(":r", route.value(0));
        q.bindValue(":f", route.value(1));
        q.bindValue(":s", route.value(2));
        q.bindValue(":k", route.value(3));
        q.bindValue(":F", route.value(4));
        if (!q.exec())
            return false;
    }
    return true;
}
} // namespace

class TestUserChoice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void newCaseStartsOnDefaults();
    void emptySubmitMarksRequiredFieldsAndRoutes();
    void inputCheck_data();
    void inputCheck();
    void submitKeepsTheDrugOutOfTheSession();
    void applyingDerivesTheDrugsValues();
    void untickedRoutesAreRecordedEmpty();
    void storedRowsAreLoadedAndComplete();
    void storedRowsOfAnotherCaseAreNotLoaded();
    void storedRowsThatFailAreReported();

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<SessionData> m_session;
};

void TestUserChoice::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY2(m_env->isValid(), qPrintable(m_env->error()));
    QVERIFY2(m_env->openDefaultConnection(), qPrintable(m_env->error()));
}

void TestUserChoice::init()
{
    m_session = std::make_unique<SessionData>();
    m_session->weightKg = kWeightKg;
    QSqlQuery(QStringLiteral("DELETE FROM UserChoice"));
    QSqlQuery(QStringLiteral("DELETE FROM UserChoiceRoute"));
}

void TestUserChoice::newCaseStartsOnDefaults()
{
    PromptScript prompts;
    userChoice d(nullptr, m_session.get(), 0);
    QVERIFY(requireChild<QRadioButton>(&d, "RB1")->isChecked());
    QVERIFY(requireChild<QRadioButton>(&d, "RB3")->isChecked());
    QVERIFY(requireChild<QRadioButton>(&d, "RB5")->isChecked());
    for (const QString& box : kRouteBoxes)
        QVERIFY(!requireChild<QCheckBox>(&d, box)->isChecked());
    QCOMPARE(requireChild<QComboBox>(&d, "doseForm")->currentText(), QStringLiteral("Tablet"));
    QCOMPARE(d.windowTitle(), QStringLiteral("User Choice Drug Data"));
    QVERIFY(!d.isComplete());
    QVERIFY(prompts.take().empty());
}

void TestUserChoice::emptySubmitMarksRequiredFieldsAndRoutes()
{
    PromptScript prompts;
    userChoice d(nullptr, m_session.get(), 0);
    QSignalSpy sent(&d, &userChoice::sendData);
    d.show();
    requireChild<QPushButton>(&d, "button_submit")->click();

    QStringList expected = kRequired + kRouteBoxes;
    expected.sort();
    QCOMPARE(markedFields(d), expected);
    QCOMPARE(sent.count(), 0);
    QVERIFY(d.isVisible());
    QVERIFY(!d.isComplete());
    QVERIFY(prompts.take().empty());

    // Corrected fields lose their mark on the next try.
    fillValid(d);
    requireChild<QPushButton>(&d, "button_submit")->click();
    QVERIFY(markedFields(d).isEmpty());
    QCOMPARE(sent.count(), 1);
}

void TestUserChoice::inputCheck_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<QStringList>("refused");

    const QVariantMap oral = {{"check_oral", "1"}, {"o_salt", "1"}, {"o_ka", "1"}, {"o_f", "90"}};
    const QVariantMap im = {{"check_im", "1"}, {"im_salt", "1"}, {"im_ka", "1"}, {"im_f", "90"}};
    const auto with = [](QVariantMap base, const QVariantMap& more) {
        for (auto it = more.begin(); it != more.end(); ++it)
            base.insert(it.key(), it.value());
        return base;
    };

    QTest::newRow("iv only ignores empty oral ka") << QVariantMap{} << QStringList{};
    QTest::newRow("no route") << QVariantMap{{"check_iv", "0"}}
                              << QStringList{"check_im", "check_iv", "check_oral"};
    QTest::newRow("iv salt 1.01") << QVariantMap{{"iv_salt", "1.01"}} << QStringList{"iv_salt"};
    QTest::newRow("iv salt empty") << QVariantMap{{"iv_salt", ""}} << QStringList{"iv_salt"};
    QTest::newRow("oral valid") << oral << QStringList{};
    QTest::newRow("oral ka 4.0") << with(oral, {{"o_ka", "4.0"}}) << QStringList{};
    QTest::newRow("oral ka 4.01") << with(oral, {{"o_ka", "4.01"}}) << QStringList{"o_ka"};
    QTest::newRow("oral ka 0.001") << with(oral, {{"o_ka", "0.001"}}) << QStringList{};
    QTest::newRow("oral ka 0.0009") << with(oral, {{"o_ka", "0.0009"}}) << QStringList{"o_ka"};
    QTest::newRow("oral salt 0.01") << with(oral, {{"o_salt", "0.01"}}) << QStringList{};
    QTest::newRow("oral salt 1.01") << with(oral, {{"o_salt", "1.01"}}) << QStringList{"o_salt"};
    QTest::newRow("oral F 100") << with(oral, {{"o_f", "100"}}) << QStringList{};
    QTest::newRow("oral F 250") << with(oral, {{"o_f", "250"}}) << QStringList{"o_f"};
    QTest::newRow("im F 100.01") << with(im, {{"im_f", "100.01"}}) << QStringList{"im_f"};
    QTest::newRow("im F 0") << with(im, {{"im_f", "0"}}) << QStringList{"im_f"};
    QTest::newRow("oral F not a number") << with(oral, {{"o_f", "x"}}) << QStringList{"o_f"};
    QTest::newRow("im ka empty") << with(im, {{"im_ka", ""}}) << QStringList{"im_ka"};
    QTest::newRow("im salt and F wrong")
        << with(im, {{"im_salt", "0"}, {"im_f", ""}}) << QStringList{"im_f", "im_salt"};
    QTest::newRow("tmax not a number") << QVariantMap{{"tmax", "20a"}} << QStringList{"tmax"};
    QTest::newRow("lag empty") << QVariantMap{{"timeLag", ""}} << QStringList{};
    QTest::newRow("lag 0.5") << QVariantMap{{"timeLag", "0.5"}} << QStringList{};
    QTest::newRow("lag not a number") << QVariantMap{{"timeLag", "half"}} << QStringList{"timeLag"};
    QTest::newRow("name empty") << QVariantMap{{"drugName", ""}} << QStringList{"drugName"};
    QTest::newRow("clearance zero") << QVariantMap{{"cl", "0"}} << QStringList{"cl"};
    QTest::newRow("volume negative") << QVariantMap{{"vd", "-1"}} << QStringList{"vd"};
    QTest::newRow("compliance nan") << QVariantMap{{"cf", "nan"}} << QStringList{"cf"};
    QTest::newRow("clearance inf") << QVariantMap{{"cl", "inf"}} << QStringList{"cl"};
    QTest::newRow("several at once") << QVariantMap{{"cl", ""}, {"tmin", "low"}, {"iv_salt", "2"}}
                                     << QStringList{"cl", "iv_salt", "tmin"};
}

void TestUserChoice::inputCheck()
{
    QFETCH(QVariantMap, changes);
    QFETCH(QStringList, refused);

    userChoice d(nullptr, m_session.get(), 0);
    fillValid(d);
    apply(d, changes);
    QCOMPARE(d.inputCheck(), refused.isEmpty());
    QCOMPARE(markedFields(d), refused);
}

void TestUserChoice::submitKeepsTheDrugOutOfTheSession()
{
    userChoice d(nullptr, m_session.get(), 0);
    fillValid(d);
    QSignalSpy sent(&d, &userChoice::sendData);
    requireChild<QPushButton>(&d, "button_submit")->click();

    QCOMPARE(sent.count(), 1);
    QVERIFY(d.isComplete());
    QCOMPARE(d.record().drugNameText, QStringLiteral("Drugex"));
    QCOMPARE(d.record().clearanceUnitText, QStringLiteral("mL"));
    QCOMPARE(d.record().volumeUnitText, QStringLiteral("Lkg"));
    QCOMPARE(d.record().doseUnitText, QStringLiteral("mg"));
    // Nothing reaches the session before the patient form is confirmed.
    QVERIFY(m_session->userChoice.drugNameText.isEmpty());
    QVERIFY(!m_session->userChoiceComplete);
    QCOMPARE(m_session->pkSets[pk::kPopulation][pk::kVd], 0.0);
    QVERIFY(m_session->doseUnit.isEmpty());
    QCOMPARE(m_session->levelUpperLimit, 0.0);
}

void TestUserChoice::applyingDerivesTheDrugsValues()
{
    userChoice d(nullptr, m_session.get(), 0);
    fillValid(d);
    requireChild<QRadioButton>(&d, "RB2")->setChecked(true);
    requireChild<QPushButton>(&d, "button_submit")->click();
    d.applyToSession();

    const SessionData& s = *m_session;
    QCOMPARE(s.userChoice.drugNameText, QStringLiteral("Drugex"));
    QVERIFY(s.userChoiceComplete);
    QCOMPARE(s.doseUnit, QStringLiteral("mcg"));
    QCOMPARE(s.concentrationUnit, QStringLiteral("mcg/L"));
    QVERIFY(qAbs(s.pkSets[pk::kPopulation][pk::kVd] - 0.7 * kWeightKg) < kTolerance);
    QVERIFY(qAbs(s.pkSets[pk::kPopulation][pk::kCl] - 6.0) < kTolerance);
    QVERIFY(qAbs(s.pkSets[pk::kPopulation][pk::kCF] - 0.8) < kTolerance);
    QCOMPARE(s.levelUpperLimit, 20.0);
    QCOMPARE(s.levelLowerLimit, 10.0);
    QCOMPARE(s.levelErrorFactor, 0.1);
    QVERIFY(qAbs(s.levelErrorConstant - 0.75) < kTolerance);
    QCOMPARE(s.populationRanges[pk::kFitF], 0.1);
    QCOMPARE(s.populationRanges[pk::kFitVd], 0.3);
    QCOMPARE(s.populationRanges[pk::kFitCl], 0.5);
    QCOMPARE(s.populationRanges[pk::kFitCF], 0.5);

    // Litres and litres per hour are taken as typed.
    m_session->userChoice.volumeUnitText = QStringLiteral("L");
    m_session->userChoice.clearanceUnitText = QStringLiteral("L");
    userChoice::setPopulationParameters(m_session.get());
    QCOMPARE(s.pkSets[pk::kPopulation][pk::kVd], 0.7);
    QCOMPARE(s.pkSets[pk::kPopulation][pk::kCl], 100.0);
}

void TestUserChoice::untickedRoutesAreRecordedEmpty()
{
    userChoice d(nullptr, m_session.get(), 0);
    fillValid(d);
    apply(d, {{"o_salt", "0.5"}, {"o_ka", "1"}, {"o_f", "80"}, {"im_salt", "1"}});
    requireChild<QPushButton>(&d, "button_submit")->click();

    const UserChoiceRecord& r = d.record();
    QCOMPARE(r.ivSaltText, QStringLiteral("1"));
    QVERIFY(r.oralSaltText.isEmpty());
    QVERIFY(r.oralKaText.isEmpty());
    QVERIFY(r.oralFText.isEmpty());
    QVERIFY(r.oralFormText.isEmpty());
    QVERIFY(r.imSaltText.isEmpty());
}

void TestUserChoice::storedRowsAreLoadedAndComplete()
{
    QVERIFY(storeRows(kStoredCase,
                      {"Drugex", "mcg", "6", "L", "0.7", "Lkg", "80", "10", "20", "0.5"},
                      {{"O", "Capsule", "0.9", "1.2", "85"}, {"IV", "", "1", "", ""}}));
    PromptScript prompts;
    userChoice d(nullptr, m_session.get(), kStoredCase);

    QCOMPARE(edit(d, "drugName")->text(), QStringLiteral("Drugex"));
    QCOMPARE(edit(d, "cl")->text(), QStringLiteral("6"));
    QCOMPARE(edit(d, "vd")->text(), QStringLiteral("0.7"));
    QCOMPARE(edit(d, "timeLag")->text(), QStringLiteral("0.5"));
    QVERIFY(requireChild<QRadioButton>(&d, "RB2")->isChecked());
    QVERIFY(requireChild<QRadioButton>(&d, "RB3")->isChecked());
    QVERIFY(requireChild<QRadioButton>(&d, "RB6")->isChecked());
    QVERIFY(requireChild<QCheckBox>(&d, "check_oral")->isChecked());
    QVERIFY(!requireChild<QCheckBox>(&d, "check_im")->isChecked());
    QVERIFY(requireChild<QCheckBox>(&d, "check_iv")->isChecked());
    QCOMPARE(requireChild<QComboBox>(&d, "doseForm")->currentText(), QStringLiteral("Capsule"));
    QCOMPARE(edit(d, "o_f")->text(), QStringLiteral("85"));
    QCOMPARE(edit(d, "iv_salt")->text(), QStringLiteral("1"));

    QVERIFY(d.isComplete());
    QCOMPARE(d.record().oralFormText, QStringLiteral("Capsule"));
    QCOMPARE(d.record().doseUnitText, QStringLiteral("mcg"));
    QVERIFY(prompts.take().empty());
    QVERIFY(m_session->userChoice.drugNameText.isEmpty());
}

void TestUserChoice::storedRowsOfAnotherCaseAreNotLoaded()
{
    QVERIFY(storeRows(kStoredCase, {"Drugex", "mg", "6", "L", "40", "L", "80", "10", "20", ""},
                      {{"IV", "", "1", "", ""}}));
    // The case open in the session is not the one the dialog is for.
    m_session->caseNumber = kStoredCase;
    userChoice d(nullptr, m_session.get(), 0);
    QVERIFY(edit(d, "drugName")->text().isEmpty());
    QVERIFY(!d.isComplete());
}

void TestUserChoice::storedRowsThatFailAreReported()
{
    QVERIFY(storeRows(kStoredCase, {"Drugex", "mg", "6", "L", "40", "L", "80", "10", "20", ""},
                      {{"IV", "", "1.5", "", ""}}));
    PromptScript prompts;
    userChoice d(nullptr, m_session.get(), kStoredCase);

    QVERIFY(!d.isComplete());
    QVERIFY(marked(d, "iv_salt"));
    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));
}

TALVORA_TEST_MAIN(TestUserChoice)
#include "tst_userchoice.moc"
