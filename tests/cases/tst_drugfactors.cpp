#include "cases/DrugFactors.h"
#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>

namespace
{
constexpr double kAdultAge = 40.0;

struct Catalogue {
    std::unique_ptr<SessionData> session = std::make_unique<SessionData>();
    PkCalculator calculator{session.get()};
    DrugInfo drugs{session.get(), &calculator};
};

QListWidget* list(DrugFactors& dialog)
{
    return dialog.findChild<QListWidget*>(QStringLiteral("listWidget"));
}

void tick(DrugFactors& dialog, const QVector<int>& rows)
{
    for (int row : rows)
        list(dialog)->item(row)->setCheckState(Qt::Checked);
}

void submit(DrugFactors& dialog)
{
    dialog.findChild<QPushButton*>(QStringLiteral("Button_submit"))->click();
}

QVector<int> tickedFlags(const SessionData& session)
{
    QVector<int> ticked;
    for (int n = 0; n < int(session.factorFlags.size()); ++n) {
        if (session.factorFlags[n] != 0)
            ticked << n;
    }
    return ticked;
}
} // namespace

class TestDrugFactors : public QObject
{
    Q_OBJECT
private slots:
    void listFollowsTheDrug_data();
    void listFollowsTheDrug();
    void codesWithoutListKeepTheSessionsList();
    void showsTheTicksTheSessionHolds();
    void submitStoresTicksAndSignals_data();
    void submitStoresTicksAndSignals();
    void moreThanTwoTicksAreRefused();
};

void TestDrugFactors::listFollowsTheDrug_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<double>("age");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("firstQuestion");

    QTest::newRow("gentamicin adult")
        << "GM"
        << "M" << kAdultAge << 5 << " Is this a critically ill or ICU patient ? ";
    QTest::newRow("gentamicin neonate")
        << "GM"
        << "M" << 0.05 << 9 << " Is this a critically ill or ICU patient ? ";
    QTest::newRow("phenobarbital male")
        << "PB"
        << "M" << kAdultAge << 3 << " Is this a patient with severe cirrhosis ?";
    QTest::newRow("phenobarbital female")
        << "PB"
        << "F" << kAdultAge << 4 << " Is this a patient with severe cirrhosis ?";
    QTest::newRow("theophylline") << "TH"
                                  << "F" << kAdultAge << 15
                                  << " Does the patient have CHF ?              ";
    QTest::newRow("flucytosine has none") << "FC"
                                          << "M" << kAdultAge << 0 << QString();
}

void TestDrugFactors::listFollowsTheDrug()
{
    QFETCH(QString, code);
    QFETCH(QString, sex);
    QFETCH(double, age);
    QFETCH(int, count);
    QFETCH(QString, firstQuestion);

    Catalogue c;
    c.session->routeText = QStringLiteral("Oral - Tablets");
    DrugFactors dialog(nullptr, c.session.get(), &c.drugs);
    dialog.fillFactorList(code, sex, age);

    QCOMPARE(c.session->factorCount, count);
    QCOMPARE(list(dialog)->count(), count);
    QVERIFY(c.session->routeText.isEmpty());
    if (count > 0) {
        QCOMPARE(list(dialog)->item(0)->text(), firstQuestion);
        QVERIFY(list(dialog)->item(0)->flags() & Qt::ItemIsUserCheckable);
        QCOMPARE(list(dialog)->item(0)->checkState(), Qt::Unchecked);
    }
}

void TestDrugFactors::codesWithoutListKeepTheSessionsList()
{
    Catalogue c;
    DrugFactors dialog(nullptr, c.session.get(), &c.drugs);
    dialog.fillFactorList(QStringLiteral("VP"), QStringLiteral("M"), kAdultAge);
    QCOMPARE(list(dialog)->count(), 0);

    dialog.fillFactorList(QStringLiteral("LI"), QStringLiteral("M"), kAdultAge);
    dialog.fillFactorList(QStringLiteral("ZZ"), QStringLiteral("M"), kAdultAge);
    QCOMPARE(c.session->factorCount, 6);
    QCOMPARE(list(dialog)->count(), 6);
    // Codes are compared exactly.
    dialog.fillFactorList(QStringLiteral("gm"), QStringLiteral("M"), kAdultAge);
    QCOMPARE(c.session->factorCount, 6);
}

void TestDrugFactors::showsTheTicksTheSessionHolds()
{
    Catalogue c;
    c.session->factorFlags[2] = 1;
    c.session->factorFlags[5] = 1;
    DrugFactors dialog(nullptr, c.session.get(), &c.drugs);
    dialog.fillFactorList(QStringLiteral("TH"), QStringLiteral("M"), kAdultAge);

    for (int row = 0; row < list(dialog)->count(); ++row) {
        const bool ticked = row + 1 == 2 || row + 1 == 5;
        QCOMPARE(list(dialog)->item(row)->checkState(), ticked ? Qt::Checked : Qt::Unchecked);
    }
}

void TestDrugFactors::submitStoresTicksAndSignals_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QVector<int>>("rows");
    QTest::addColumn<QVector<int>>("flags");

    QTest::newRow("none") << "TH" << QVector<int>{} << QVector<int>{};
    QTest::newRow("one") << "TH" << QVector<int>{4} << QVector<int>{5};
    QTest::newRow("two") << "TH" << QVector<int>{2, 6} << QVector<int>{3, 7};
    QTest::newRow("flucytosine") << "FC" << QVector<int>{} << QVector<int>{};
}

void TestDrugFactors::submitStoresTicksAndSignals()
{
    QFETCH(QString, code);
    QFETCH(QVector<int>, rows);
    QFETCH(QVector<int>, flags);

    PromptScript prompts;
    Catalogue c;
    // Ticks of an earlier list, including ones beyond the new list, are all replaced.
    c.session->factorFlags[1] = 1;
    c.session->factorFlags[40] = 1;
    DrugFactors dialog(nullptr, c.session.get(), &c.drugs);
    dialog.fillFactorList(code, QStringLiteral("M"), kAdultAge);
    for (int row = 0; row < list(dialog)->count(); ++row)
        list(dialog)->item(row)->setCheckState(Qt::Unchecked);
    tick(dialog, rows);
    QSignalSpy submitted(&dialog, &DrugFactors::submit);
    dialog.show();

    submit(dialog);

    QCOMPARE(submitted.count(), 1);
    QCOMPARE(tickedFlags(*c.session), flags);
    QVERIFY(!dialog.isVisible());
    QVERIFY(prompts.take().empty());
}

void TestDrugFactors::moreThanTwoTicksAreRefused()
{
    PromptScript prompts;
    Catalogue c;
    DrugFactors dialog(nullptr, c.session.get(), &c.drugs);
    dialog.fillFactorList(QStringLiteral("QD"), QStringLiteral("M"), kAdultAge);
    tick(dialog, {0, 3, 5});
    QSignalSpy submitted(&dialog, &DrugFactors::submit);
    dialog.show();

    submit(dialog);

    const std::vector<PromptRecord> shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(shown[0].text, QStringLiteral("Select no more than 2 factors."));
    QCOMPARE(submitted.count(), 0);
    QVERIFY(tickedFlags(*c.session).isEmpty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(list(dialog)->item(3)->checkState(), Qt::Checked);

    list(dialog)->item(3)->setCheckState(Qt::Unchecked);
    submit(dialog);
    QCOMPARE(submitted.count(), 1);
    QCOMPARE(tickedFlags(*c.session), (QVector<int>{1, 6}));
}

TALVORA_TEST_MAIN(TestDrugFactors)
#include "tst_drugfactors.moc"
