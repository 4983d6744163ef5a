#include "tests/support/NearlyEqual.h"
#include "tests/support/TestMain.h"

#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <cmath>

using Answers = QList<int>;

namespace
{
// Marks a value the product must leave as it is.
constexpr double kUntouched = 77.0;

const char* const kCatalogue[] = {"GM", "AK", "NM", "TM", "VM", "DG", "PB", "QD", "TH",
                                  "LI", "FC", "CX", "OX", "PC", "VP", "PH", "ZZ"};

struct Fixture {
    SessionData session;
    PkCalculator calculator{&session};
    DrugInfo info{&session, &calculator};

    explicit Fixture(const QString& code, double age = 40.0, const Answers& answers = {})
    {
        session.patient.drugCode = code;
        session.ageYears = age;
        for (int n : answers)
            session.factorFlags[n] = 1;
        UserChoiceRecord& u = session.userChoice;
        u.doseUnitText = "mcg";
        u.oralFormText = "Pellets";
        u.oralSaltText = "0.9";
        u.oralKaText = "1.7";
        u.oralFText = "85";
        u.imSaltText = "0.95";
        u.imKaText = "2.2";
        u.imFText = "92";
        u.ivSaltText = "0.98";
        u.lagTimeText = "0.5";
        fillUntouched();
    }

    void fillUntouched()
    {
        session.saltOral = kUntouched;
        session.saltParenteral = kUntouched;
        session.kaOral = kUntouched;
        session.kaIm = kUntouched;
        session.lagTime = kUntouched;
        session.pkSets[pk::kPopulation][pk::kF] = kUntouched;
        session.populationRanges[pk::kFitF] = kUntouched;
    }

    // What a route selector does with the chosen item.
    void choose(const QString& item)
    {
        session.routeText = item;
        session.routeLetter = PkCalculator::routeCode(item);
        session.dosageForm = DrugInfo::dosageFormOf(item);
        info.applyFormDefaults(1);
    }

    QVector<QString> items() const
    {
        return DrugInfo::routeItems(session.patient.drugCode, session.userChoice, false);
    }

    double f() const { return session.pkSets[pk::kPopulation][pk::kF]; }
    double fRange() const { return session.populationRanges[pk::kFitF]; }
};

// The values a product of the given route letter stands for.
struct Side {
    double salt;
    double ka;
    double f;
    double range;
    double lag;

    static Side of(const SessionData& s, char letter)
    {
        const bool oral = letter == 'O';
        const bool im = letter == 'I';
        return {oral ? s.saltOral : s.saltParenteral,
                oral ? s.kaOral
                : im ? s.kaIm
                     : 0.0,
                s.pkSets[pk::kPopulation][pk::kF], s.populationRanges[pk::kFitF], s.lagTime};
    }

    bool operator==(const Side& o) const
    {
        return salt == o.salt && ka == o.ka && f == o.f && range == o.range && lag == o.lag;
    }
};

QString describe(const Side& s)
{
    return QString("S %1 ka %2 F %3 range %4 lag %5")
        .arg(s.salt)
        .arg(s.ka)
        .arg(s.f)
        .arg(s.range)
        .arg(s.lag);
}

#define COMPARE_NEAR(actual, expected) COMPARE_NEARLY(actual, expected, 1e-12)

const QList<Answers> kAnswerSets = {{}, {1}, {2}, {3}, {4}, {5}, {6}, {7}, {10}, {1, 5}};
} // namespace

class TestDrugInfoForms : public QObject
{
    Q_OBJECT
private slots:
    void productConstants_data();
    void productConstants();
    void secondProduct();
    void routeChangesAreIdempotent_data();
    void routeChangesAreIdempotent();
    void everyRouteItemHasFiniteConstants_data();
    void everyRouteItemHasFiniteConstants();
    void lookupsAgreeWithThePass_data();
    void lookupsAgreeWithThePass();
    void saltFactorAndLag_data();
    void saltFactorAndLag();
    void bioavailabilityWritesTheRange();
    void userChoiceTexts();
    void codeOutsideTheCatalogueChangesNothing();
};

void TestDrugInfoForms::productConstants_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("item");
    QTest::addColumn<double>("age");
    QTest::addColumn<Answers>("answers");
    // S oral, S parenteral, ka oral, ka IM, lag, F, F range; kUntouched where the product sets
    // nothing.
    QTest::addColumn<QList<double>>("expected");

    using L = QList<double>;
    const double u = kUntouched;
    QTest::newRow("GM IM") << "GM"
                           << "IM - Injection" << 40.0 << Answers{} << L{u, 1.0, u, u, 0, 1.0, u};
    QTest::newRow("VM IV") << "VM"
                           << "Intermittent IV - Injection" << 40.0 << Answers{}
                           << L{u, 1.0, u, u, 0, 1.0, u};
    QTest::newRow("DG IV") << "DG"
                           << "Intermittent IV - Injection" << 40.0 << Answers{}
                           << L{u, 1.0, 1.5, u, 0, 1.0, 0.05};
    QTest::newRow("DG tablets") << "DG"
                                << "Oral - Tablets" << 40.0 << Answers{}
                                << L{1.0, u, 1.5, u, 0, 0.7, 1.0 / 7};
    QTest::newRow("DG tablets amiodarone")
        << "DG"
        << "Oral - Tablets" << 40.0 << Answers{4} << L{1.0, u, 1.5, u, 0, 0.875, 1.0 / 7};
    QTest::newRow("DG elixir") << "DG"
                               << "Oral - Elixir" << 40.0 << Answers{}
                               << L{1.0, u, 1.5, u, 0, 0.775, 3.0 / 31};
    QTest::newRow("DG elixir amiodarone")
        << "DG"
        << "Oral - Elixir" << 40.0 << Answers{4} << L{1.0, u, 1.5, u, 0, 0.96875, 3.0 / 31};
    QTest::newRow("DG capsules amiodarone")
        << "DG"
        << "Oral - Capsules" << 40.0 << Answers{4} << L{1.0, u, 1.5, u, 0, 0.95, 1.0 / 19};
    QTest::newRow("FC capsules") << "FC"
                                 << "Oral - Capsules" << 40.0 << Answers{}
                                 << L{1.0, u, 1.1, u, 0, 0.84, 0.15};
    QTest::newRow("FC IV") << "FC"
                           << "Intermittent IV - Injection" << 40.0 << Answers{}
                           << L{u, 1.0, u, u, 0, 1.0, 0.05};
    QTest::newRow("PB IM") << "PB"
                           << "IM - Injection" << 40.0 << Answers{}
                           << L{u, 0.91, u, 1.1, 0, 1.0, u};
    QTest::newRow("PB IV") << "PB"
                           << "Intermittent IV - Injection" << 40.0 << Answers{}
                           << L{u, 0.91, u, u, 0, 1.0, u};
    QTest::newRow("PB tablets") << "PB"
                                << "Oral - Tablets" << 40.0 << Answers{}
                                << L{1.0, u, 1.5, u, 0, 1.0, u};
    QTest::newRow("PB elixir") << "PB"
                               << "Oral - Elixir" << 40.0 << Answers{}
                               << L{1.0, u, 7.2, u, 0, 1.0, u};
    QTest::newRow("PC fast release") << "PC"
                                     << "Oral - Fast - Release Capsules" << 40.0 << Answers{}
                                     << L{0.87, u, 2.0, u, 0, 0.83, 0.166};
    QTest::newRow("PC slow release") << "PC"
                                     << "Oral - Slow - Release Capsules" << 40.0 << Answers{}
                                     << L{0.87, u, 0.4, u, 0, 0.83, 0.166};
    QTest::newRow("PC continuous")
        << "PC"
        << "Continuous IV - Injection" << 40.0 << Answers{} << L{u, 0.87, u, u, 0, 1.0, 0.05};
    QTest::newRow("PC IM") << "PC"
                           << "IM - Injection" << 40.0 << Answers{}
                           << L{u, 0.87, u, u, 0, 1.0, 0.05};
    QTest::newRow("LI syrup") << "LI"
                              << "Oral - Syrup" << 40.0 << Answers{}
                              << L{1.0, u, 3.6, u, 0, 1.0, 0.1};
    QTest::newRow("LI capsules") << "LI"
                                 << "Oral - Capsules" << 40.0 << Answers{}
                                 << L{1.0, u, 1.2, u, 0, 1.0, 0.1};
    QTest::newRow("LI Eskalith") << "LI"
                                 << "Oral - Tablets (Eskalith CR)" << 40.0 << Answers{}
                                 << L{1.0, u, 0.5, u, 0, 0.97, 0.1};
    QTest::newRow("PH capsules") << "PH"
                                 << "Oral - Capsules" << 40.0 << Answers{}
                                 << L{0.92, u, 0.15, u, 0, 1.0, 0.1};
    QTest::newRow("PH suspension")
        << "PH"
        << "Oral - Suspension" << 40.0 << Answers{} << L{1.0, u, 0.15, u, 0, 1.0, 0.1};
    QTest::newRow("PH oral tube feeding")
        << "PH"
        << "Oral - Tablets" << 40.0 << Answers{5} << L{1.0, u, 0.15, u, 0, 0.6, 0.1};
    QTest::newRow("PH oral neonate")
        << "PH"
        << "Oral - Tablets" << 0.05 << Answers{} << L{1.0, u, 0.15, u, 0, 0.9, 0.2};
    QTest::newRow("PH IV tube feeding")
        << "PH"
        << "Intermittent IV - Injection" << 40.0 << Answers{5} << L{u, 0.92, u, u, 0, 1.0, 0.1};
    QTest::newRow("PH fosphenytoin IV") << "PH"
                                        << "Intermittent IV - Injection (Fosphenytoin)" << 40.0
                                        << Answers{} << L{u, 0.92, u, 3.6, 0, 1.0, 0.1};
    QTest::newRow("PH fosphenytoin IM")
        << "PH"
        << "IM - Injection (Fosphenytoin)" << 40.0 << Answers{} << L{u, 0.92, u, 2.5, 0, 1.0, 0.1};
    QTest::newRow("CX tablets") << "CX"
                                << "Oral - Tablets" << 40.0 << Answers{}
                                << L{1.0, u, u, u, 0, 0.7, 0.1};
    QTest::newRow("CX tablets at 70, antacid and iron")
        << "CX"
        << "Oral - Tablets" << 70.0 << Answers{1, 5}
        << L{1.0, u, 1.5, u, 0, 0.7 * 1.25 * 0.4 * 0.5, 0.2};
    QTest::newRow("CX chemotherapy")
        << "CX"
        << "Oral - Tablets" << 40.0 << Answers{2} << L{1.0, u, u, u, 0, 0.7 * 0.53, 0.1};
    QTest::newRow("CX cystic fibrosis")
        << "CX"
        << "Oral - Tablets" << 40.0 << Answers{3} << L{1.0, u, u, u, 0, 0.7 * 1.4, 0.1};
    QTest::newRow("CX didanosine")
        << "CX"
        << "Oral - Tablets" << 40.0 << Answers{4} << L{1.0, u, u, u, 0, 0.7 * 0.02, 0.2};
    QTest::newRow("CX sucralfate")
        << "CX"
        << "Oral - Tablets" << 40.0 << Answers{6} << L{1.0, u, u, u, 0, 0.7 * 0.4, 0.2};
    QTest::newRow("CX zinc") << "CX"
                             << "Oral - Tablets" << 40.0 << Answers{7}
                             << L{1.0, u, u, u, 0, 0.7 * 0.5, 0.2};
    QTest::newRow("CX IV with antacid")
        << "CX"
        << "Intermittent IV - Injection" << 70.0 << Answers{1} << L{u, 1.0, u, u, 0, 1.0, 0.05};
    QTest::newRow("OX IV with antacid") << "OX"
                                        << "Intermittent IV - Injection" << 40.0 << Answers{1}
                                        << L{u, 1.0, 3.0 * 0.67, u, 0, 0.55, 0.2};
    QTest::newRow("OX tablets") << "OX"
                                << "Oral - Tablets" << 40.0 << Answers{}
                                << L{1.0, u, 3.0, u, 0, 1.0, 0.1};
    QTest::newRow("OX tablets with antacid")
        << "OX"
        << "Oral - Tablets" << 40.0 << Answers{1} << L{1.0, u, 3.0 * 0.67, u, 0, 0.55, 0.2};
    QTest::newRow("OX tablets with iron")
        << "OX"
        << "Oral - Tablets" << 40.0 << Answers{2} << L{1.0, u, 3.0, u, 0, 0.825, 0.15};
    QTest::newRow("OX tablets with sucralfate")
        << "OX"
        << "Oral - Tablets" << 40.0 << Answers{3} << L{1.0, u, 3.0, u, 0, 0.39, 0.2};
    QTest::newRow("VP fast release") << "VP"
                                     << "Oral - Divalproex Fast - Release Tables" << 40.0
                                     << Answers{} << L{1.0, u, 4.1, u, 1.5, 1.0, 0.1};
    QTest::newRow("VP sprinkle") << "VP"
                                 << "Oral - Divalproex Sprinkle Capsules" << 40.0 << Answers{}
                                 << L{1.0, u, 1.2, u, 0.75, 0.99, 0.1};
    QTest::newRow("VP extended release") << "VP"
                                         << "Oral - Divalproex Extended - Release Capsules" << 40.0
                                         << Answers{} << L{1.0, u, 1.0, u, 0, 0.9, 0.1};
    QTest::newRow("VP capsules") << "VP"
                                 << "Oral - Valproic Acid Capsules" << 40.0 << Answers{}
                                 << L{1.0, u, 2.0, u, 0, 0.95, 0.1};
    QTest::newRow("VP syrup") << "VP"
                              << "Oral - Valproic Acid Syrup" << 40.0 << Answers{}
                              << L{1.0, u, 1.0, u, 0, 1.0, 0.1};
    QTest::newRow("VP continuous")
        << "VP"
        << "Continuous IV - Injection" << 40.0 << Answers{} << L{u, 1.0, 1.0, u, 0, 1.0, 0.05};
    QTest::newRow("VP IM has salt 1")
        << "VP"
        << "IM - Injection" << 40.0 << Answers{} << L{u, 1.0, u, u, 0, 1.0, 0.1};
    QTest::newRow("QD IM severe CHF") << "QD"
                                      << "IM - Injection(Gluconate)" << 40.0 << Answers{1}
                                      << L{u, 0.625, u, 0.77 * 0.44, 0, 0.875, 0.25};
    QTest::newRow("QD IV") << "QD"
                           << "Intermittent IV - Injection(Gluconate)" << 40.0 << Answers{}
                           << L{u, 0.625, u, u, 0, 1.0, 0.5};
    QTest::newRow("QD sulfate") << "QD"
                                << "Oral - Immediate - Release Tablets (Sulfate)" << 40.0
                                << Answers{} << L{0.83, u, 1.8, u, 0, 0.8, 0.19};
    QTest::newRow("QD sustained") << "QD"
                                  << "Oral - Sustained - Release (Gluconate)" << 40.0 << Answers{}
                                  << L{0.625, u, 1.8, u, 0, 0.8, 0.19};
    QTest::newRow("QD Quinaglute") << "QD"
                                   << "Oral - Dura - Tabs Tablets (Quinaglute)" << 40.0 << Answers{}
                                   << L{0.625, u, 0.7, u, 0, 0.8, 0.218};
    QTest::newRow("QD Cardioquin") << "QD"
                                   << "Oral - Tablets (Cardioquin)" << 40.0 << Answers{}
                                   << L{0.6, u, 1.15, u, 0, 0.8, 0.3046875};
    QTest::newRow("QD Cardioquin severe CHF and rifampin")
        << "QD"
        << "Oral - Tablets (Cardioquin)" << 40.0 << Answers{1, 7}
        << L{0.6, u, 1.15 * 0.55, u, 0, 0.8 * 0.59, 0.3046875};
    QTest::newRow("QD IV severe CHF leaves ka") << "QD"
                                                << "Intermittent IV - Injection(Gluconate)" << 40.0
                                                << Answers{1} << L{u, 0.625, u, u, 0, 1.0, 0.5};
    QTest::newRow("TH IV aminophylline") << "TH"
                                         << "Intermittent IV - Injection (Aminophylline)" << 40.0
                                         << Answers{} << L{u, 0.79, u, u, 0, 1.0, 0.05};
    QTest::newRow("TH continuous")
        << "TH"
        << "Continuous IV - Injection" << 40.0 << Answers{} << L{u, 1.0, u, u, 0, 1.0, 0.05};
    QTest::newRow("TH Theo-dur 200,300") << "TH"
                                         << "Oral - Tablets (Theo - dur 200,300 mg)" << 40.0
                                         << Answers{} << L{1.0, u, 0.125, u, 0, 0.97, 0.15};
    QTest::newRow("TH Theo-dur 100") << "TH"
                                     << "Oral - Tablets (Theo - dur 100 mg)" << 40.0 << Answers{}
                                     << L{1.0, u, 0.17, u, 0, 1.0, 0.15};
    QTest::newRow("TH aminophylline tablets")
        << "TH"
        << "Oral - Tablets (Aminophylline)" << 40.0 << Answers{} << L{0.8, u, 2.4, u, 0, 0.94, 0.1};
    QTest::newRow("TH tablets") << "TH"
                                << "Oral - Tablets" << 40.0 << Answers{}
                                << L{1.0, u, 2.4, u, 0, 1.0, 0.1};
    QTest::newRow("TH aminophylline liquid")
        << "TH"
        << "Oral - Liquids (Aminophylline)" << 40.0 << Answers{} << L{0.86, u, 2.3, u, 0, 1.0, 0.1};
    QTest::newRow("TH liquid") << "TH"
                               << "Oral - Liquids" << 40.0 << Answers{}
                               << L{1.0, u, 2.3, u, 0, 1.0, 0.1};
    QTest::newRow("ZZ oral") << "ZZ"
                             << "Oral - Pellets" << 40.0 << Answers{}
                             << L{0.9, u, 1.7, u, 0.5, 0.85, u};
    QTest::newRow("ZZ IM") << "ZZ"
                           << "IM - " << 40.0 << Answers{} << L{u, 0.95, u, 2.2, 0.5, 0.92, u};
    QTest::newRow("ZZ continuous")
        << "ZZ"
        << "Continuous IV - " << 40.0 << Answers{} << L{u, 0.98, u, u, 0.5, 1.0, u};
}

void TestDrugInfoForms::productConstants()
{
    QFETCH(QString, code);
    QFETCH(QString, item);
    QFETCH(double, age);
    QFETCH(Answers, answers);
    QFETCH(QList<double>, expected);
    Fixture f(code, age, answers);
    f.choose(item);
    const SessionData& s = f.session;
    COMPARE_NEAR(s.saltOral, expected[0]);
    COMPARE_NEAR(s.saltParenteral, expected[1]);
    COMPARE_NEAR(s.kaOral, expected[2]);
    COMPARE_NEAR(s.kaIm, expected[3]);
    COMPARE_NEAR(s.lagTime, expected[4]);
    COMPARE_NEAR(f.f(), expected[5]);
    COMPARE_NEAR(f.fRange(), expected[6]);
    if (code == "PH") {
        const bool neonate = age < 0.083;
        QCOMPARE(s.phenytoinF, neonate ? 0.9 : 1.0);
        QCOMPARE(s.phenytoinTubeFeedingF, answers.contains(5) ? 0.6 : s.phenytoinF);
    }
}

void TestDrugInfoForms::secondProduct()
{
    // Theophylline: a second product counts only while one is in use.
    Fixture th("TH");
    th.session.secondDosageForm = "Injection";
    th.choose("Intermittent IV - Injection (Aminophylline)");
    QCOMPARE(th.session.saltParenteral, 0.79);
    th.session.secondRouteLetter = 'D';
    th.info.applyFormDefaults(1);
    QCOMPARE(th.session.saltParenteral, 1.0);

    th.session.secondRouteLetter = 'O';
    th.session.secondDosageForm = "Tablets (Aminophylline)";
    th.choose("Oral - Liquids");
    QCOMPARE(th.session.saltOral, 0.8);
    QCOMPARE(th.session.kaOral, 2.4);
    QCOMPARE(th.f(), 0.94);

    // Quinidine: the second product's constants, the first product's F.
    Fixture qd("QD");
    qd.session.secondRouteLetter = 'O';
    qd.session.secondDosageForm = "Dura - Tabs Tablets (Quinaglute)";
    qd.choose("Oral - Tablets (Cardioquin)");
    QCOMPARE(qd.session.saltOral, 0.625);
    QCOMPARE(qd.session.kaOral, 0.7);
    QCOMPARE(qd.f(), 0.8);
    QCOMPARE(qd.fRange(), 0.3046875);
}

void TestDrugInfoForms::routeChangesAreIdempotent_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("age");
    QTest::addColumn<Answers>("answers");
    for (const char* code : kCatalogue) {
        QTest::addRow("%s", code) << code << 40.0 << Answers{};
        QTest::addRow("%s, answers 1 and 7", code) << code << 70.0 << Answers{1, 7};
        QTest::addRow("%s, answers 4 and 5", code) << code << 0.05 << Answers{4, 5};
    }
}

void TestDrugInfoForms::routeChangesAreIdempotent()
{
    QFETCH(QString, code);
    QFETCH(double, age);
    QFETCH(Answers, answers);
    Fixture f(code, age, answers);
    const QVector<QString> items = f.items();
    QVERIFY(!items.isEmpty());
    for (const QString& first : items) {
        for (const QString& other : items) {
            f.choose(first);
            const char letter = PkCalculator::routeCode(first);
            const Side once = Side::of(f.session, letter);
            f.choose(other);
            f.choose(first);
            const Side back = Side::of(f.session, letter);
            const SessionData afterBack = f.session;
            f.choose(first);
            const Side twice = Side::of(f.session, letter);
            QVERIFY2(back == once, qPrintable(first + " after " + other + ": " + describe(back) +
                                              " instead of " + describe(once)));
            QVERIFY2(twice == back, qPrintable(first + " twice: " + describe(twice)));
            QCOMPARE(f.session.kaOral, afterBack.kaOral);
            QCOMPARE(f.session.kaIm, afterBack.kaIm);
            QCOMPARE(f.session.phenytoinTubeFeedingF, afterBack.phenytoinTubeFeedingF);
        }
    }
}

void TestDrugInfoForms::everyRouteItemHasFiniteConstants_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("age");
    QTest::addColumn<Answers>("answers");
    for (const char* code : kCatalogue) {
        for (const Answers& answers : kAnswerSets) {
            QString name = QString(code) + " answers";
            for (int n : answers)
                name += " " + QString::number(n);
            QTest::newRow(qPrintable(name)) << code << 40.0 << answers;
        }
        QTest::addRow("%s neonate", code) << code << 0.05 << Answers{};
        QTest::addRow("%s at 70", code) << code << 70.0 << Answers{};
    }
}

void TestDrugInfoForms::everyRouteItemHasFiniteConstants()
{
    QFETCH(QString, code);
    QFETCH(double, age);
    QFETCH(Answers, answers);
    Fixture f(code, age, answers);
    for (const QString& item : f.items()) {
        const double fValue = f.info.bioavailability(item, code);
        const double range = f.info.bioavailabilityRange(item, code);
        const double salt = f.info.saltFactor(item, code);
        const QString what =
            item + QString(": F %1 range %2 S %3").arg(fValue).arg(range).arg(salt);
        QVERIFY2(std::isfinite(fValue) && fValue > 0.0 && fValue <= 1.5, qPrintable(what));
        QVERIFY2(std::isfinite(range) && range > 0.0 && range < 1.0, qPrintable(what));
        QVERIFY2(std::isfinite(salt) && salt > 0.0 && salt <= 1.0, qPrintable(what));
    }
}

void TestDrugInfoForms::lookupsAgreeWithThePass_data()
{
    everyRouteItemHasFiniteConstants_data();
}

void TestDrugInfoForms::lookupsAgreeWithThePass()
{
    QFETCH(QString, code);
    QFETCH(double, age);
    QFETCH(Answers, answers);
    Fixture f(code, age, answers);
    for (const QString& item : f.items()) {
        f.fillUntouched();
        f.choose(item);
        const SessionData passed = f.session;
        const double range = f.fRange();
        const char letter = PkCalculator::routeCode(item);
        const double passSalt = letter == 'O' ? passed.saltOral : passed.saltParenteral;

        QCOMPARE(f.info.bioavailability(item, code), f.f());
        if (range != kUntouched)
            QCOMPARE(f.info.bioavailabilityRange(item, code), range);
        QCOMPARE(f.info.saltFactor(item, code), passSalt);
        QCOMPARE(f.session.lagTime, passed.lagTime);
        if (code == "PH") {
            QCOMPARE(f.session.phenytoinF, passed.phenytoinF);
            QCOMPARE(f.session.phenytoinTubeFeedingF, passed.phenytoinTubeFeedingF);
        }
    }
}

void TestDrugInfoForms::saltFactorAndLag_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("item");
    QTest::addColumn<double>("salt");
    QTest::addColumn<double>("lag");
    QTest::newRow("DG elixir has no salt of its own") << "DG"
                                                      << "Oral - Elixir" << 1.0 << 0.0;
    QTest::newRow("TH aminophylline liquid") << "TH"
                                             << "Oral - Liquids (Aminophylline)" << 0.86 << 0.0;
    QTest::newRow("TH continuous aminophylline")
        << "TH"
        << "Continuous IV - Injection (Aminophylline)" << 0.79 << 0.0;
    QTest::newRow("PH capsules") << "PH"
                                 << "Oral - Capsules" << 0.92 << 0.0;
    QTest::newRow("PH suspension") << "PH"
                                   << "Oral - Suspension" << 1.0 << 0.0;
    QTest::newRow("PH fosphenytoin IM") << "PH"
                                        << "IM - Injection (Fosphenytoin)" << 0.92 << 0.0;
    QTest::newRow("PH product outside the list") << "PH"
                                                 << "Oral - Chewable" << -1.0 << 0.0;
    QTest::newRow("LI other than oral") << "LI"
                                        << "Intermittent IV - Injection" << -1.0 << 0.0;
    QTest::newRow("VP fast release") << "VP"
                                     << "Oral - Divalproex Fast - Release Tables" << 1.0 << 1.5;
    QTest::newRow("VP sprinkle") << "VP"
                                 << "Oral - Divalproex Sprinkle Capsules" << 1.0 << 0.75;
    QTest::newRow("VP IM") << "VP"
                           << "IM - Injection" << 1.0 << 0.0;
    QTest::newRow("PB IV") << "PB"
                           << "Intermittent IV - Injection" << 0.91 << 0.0;
    QTest::newRow("QD IM gluconate") << "QD"
                                     << "IM - Injection(Gluconate)" << 0.625 << 0.0;
    QTest::newRow("ZZ oral") << "ZZ"
                             << "Oral - Pellets" << 0.9 << 0.5;
    QTest::newRow("code outside the catalogue") << "XX"
                                                << "Oral - Tablets" << -1.0 << kUntouched;
}

void TestDrugInfoForms::saltFactorAndLag()
{
    QFETCH(QString, code);
    QFETCH(QString, item);
    QFETCH(double, salt);
    QFETCH(double, lag);
    Fixture f(code);
    QCOMPARE(f.info.saltFactor(item, code), salt);
    QCOMPARE(f.session.lagTime, lag);
}

void TestDrugInfoForms::bioavailabilityWritesTheRange()
{
    Fixture f("AK");
    QCOMPARE(f.info.bioavailability("IM - Injection", "AK"), 1.0);
    QCOMPARE(f.fRange(), 0.05);
    QCOMPARE(f.f(), kUntouched);

    // Walking the routes leaves the last route's range.
    Fixture dg("DG");
    for (const QString& item : dg.items())
        dg.info.bioavailability(item, "DG");
    QCOMPARE(dg.fRange(), 1.0 / 19);

    // A product outside the lists keeps the population F and writes no range.
    Fixture li("LI");
    li.session.pkSets[pk::kPopulation][pk::kF] = 0.5;
    QCOMPARE(li.info.bioavailability("IM - Injection", "LI"), 0.5);
    QCOMPARE(li.fRange(), kUntouched);
    QCOMPARE(li.info.bioavailabilityRange("IM - Injection", "LI"), kUntouched);

    // Phenytoin: one range wherever it is looked up.
    Fixture ph("PH", 40.0, {5});
    QCOMPARE(ph.info.bioavailability("Oral - Capsules", "PH"), 0.6);
    QCOMPARE(ph.session.phenytoinTubeFeedingF, 0.6);
    QCOMPARE(ph.info.bioavailabilityRange("Oral - Capsules", "PH"), 0.1);
}

void TestDrugInfoForms::userChoiceTexts()
{
    Fixture f("ZZ");
    f.choose("Oral - Pellets");
    QCOMPARE(f.session.doseUnit, QString("mcg"));
    QCOMPARE(f.session.concentrationUnit, QString("mcg/L"));
    QCOMPARE(f.info.bioavailabilityRange("Oral - Pellets", "ZZ"), 0.05);
    QCOMPARE(f.info.bioavailabilityRange("IM - ", "ZZ"), 0.05);

    f.session.userChoice.doseUnitText = "mg";
    f.session.userChoice.oralFText = "";
    f.session.userChoice.oralSaltText = ".";
    f.session.userChoice.oralKaText = "fast";
    f.session.userChoice.lagTimeText = "";
    f.choose("Oral - Pellets");
    QCOMPARE(f.session.doseUnit, QString("mg"));
    QCOMPARE(f.session.concentrationUnit, QString("mg/L"));
    // F and S divide doses: texts that are not numbers read as not given, never as 0.
    QCOMPARE(f.f(), -1.0);
    QCOMPARE(f.session.saltOral, -1.0);
    QCOMPARE(f.info.saltFactor("Oral - Pellets", "ZZ"), -1.0);
    QCOMPARE(f.session.kaOral, 0.0);
    QCOMPARE(f.session.lagTime, 0.0);
}

void TestDrugInfoForms::codeOutsideTheCatalogueChangesNothing()
{
    Fixture f("XX");
    f.choose("Oral - Tablets");
    QCOMPARE(f.session.saltOral, kUntouched);
    QCOMPARE(f.session.lagTime, kUntouched);
    QCOMPARE(f.f(), kUntouched);
}

TALVORA_TEST_MAIN(TestDrugInfoForms)
#include "tst_druginfoforms.moc"
