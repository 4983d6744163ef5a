#include "tests/support/TestMain.h"

#include "pkcore/DrugInfo.h"
#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <QComboBox>
#include <QSignalSpy>

#include <functional>

using FactorList = std::function<void(SessionData*, const QString&, double)>;
Q_DECLARE_METATYPE(FactorList)

class TestDrugInfoCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void routeItems_data();
    void routeItems();
    void exactRouteTexts_data();
    void exactRouteTexts();
    void comboSelectsTheDrugsDefault_data();
    void comboSelectsTheDrugsDefault();
    void refillingReplacesTheItems();
    void userChoiceRoutes_data();
    void userChoiceRoutes();
    void dosageFormSplit_data();
    void dosageFormSplit();
    void indexOfText_data();
    void indexOfText();
    void factorCounts_data();
    void factorCounts();
    void factorTextsKeepTheirBlanks();
    void shorterListLeavesLaterEntries();
};

void TestDrugInfoCatalogue::routeItems_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    for (const char* code : {"GM", "AK", "NM", "TM"})
        QTest::newRow(code) << code << 2 << "Intermittent IV - Injection"
                            << "IM - Injection";
    QTest::newRow("VM") << "VM" << 1 << "Intermittent IV - Injection"
                        << "Intermittent IV - Injection";
    QTest::newRow("DG") << "DG" << 4 << "Intermittent IV - Injection"
                        << "Oral - Capsules";
    QTest::newRow("PB") << "PB" << 4 << "Intermittent IV - Injection"
                        << "Oral - Elixir";
    QTest::newRow("QD") << "QD" << 6 << "Intermittent IV - Injection(Gluconate)"
                        << "Oral - Tablets (Cardioquin)";
    QTest::newRow("TH") << "TH" << 10 << "Intermittent IV - Injection (Aminophylline)"
                        << "Oral - Liquids";
    QTest::newRow("LI") << "LI" << 4 << "Oral - Capsules"
                        << "Oral - Tablets (Eskalith CR)";
    QTest::newRow("FC") << "FC" << 2 << "Intermittent IV - Injection"
                        << "Oral - Capsules";
    QTest::newRow("CX") << "CX" << 2 << "Intermittent IV - Injection"
                        << "Oral - Tablets";
    QTest::newRow("OX") << "OX" << 2 << "Intermittent IV - Injection"
                        << "Oral - Tablets";
    QTest::newRow("PC") << "PC" << 5 << "Intermittent IV - Injection"
                        << "Oral - Slow - Release Capsules";
    QTest::newRow("VP") << "VP" << 7 << "Intermittent IV - Injection"
                        << "Oral - Valproic Acid Syrup";
    QTest::newRow("PH") << "PH" << 6 << "Intermittent IV - Injection"
                        << "Oral - Tablets";
    QTest::newRow("unknown code") << "XY" << 0 << ""
                                  << "";
    QTest::newRow("lower case code") << "gm" << 0 << ""
                                     << "";
}

void TestDrugInfoCatalogue::routeItems()
{
    QFETCH(QString, code);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    SessionData session;
    PkCalculator calculator(&session);
    DrugInfo info(&session, &calculator);
    QVector<QString> list{"stale entry"};
    info.fillRouteList(code, &list, true);
    QCOMPARE(list.size(), count);
    if (count == 0)
        return;
    QCOMPARE(list.first(), first);
    QCOMPARE(list.last(), last);
    for (const QString& item : list) {
        QVERIFY2(QByteArray("DCIO").contains(PkCalculator::routeCode(item)), qPrintable(item));
        QVERIFY2(!DrugInfo::dosageFormOf(item).isEmpty(), qPrintable(item));
    }
}

void TestDrugInfoCatalogue::exactRouteTexts_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("QD") << "QD" << QStringList{"Intermittent IV - Injection(Gluconate)",
                                               "IM - Injection(Gluconate)",
                                               "Oral - Immediate - Release Tablets (Sulfate)",
                                               "Oral - Sustained - Release (Gluconate)",
                                               "Oral - Dura - Tabs Tablets (Quinaglute)",
                                               "Oral - Tablets (Cardioquin)"};
    QTest::newRow("TH") << "TH"
                        << QStringList{"Intermittent IV - Injection (Aminophylline)",
                                       "Intermittent IV - Injection",
                                       "Continuous IV - Injection (Aminophylline)",
                                       "Continuous IV - Injection",
                                       "Oral - Tablets (Theo - dur 200,300 mg)",
                                       "Oral - Tablets (Theo - dur 100 mg)",
                                       "Oral - Tablets (Aminophylline)",
                                       "Oral - Tablets",
                                       "Oral - Liquids (Aminophylline)",
                                       "Oral - Liquids"};
    QTest::newRow("VP") << "VP"
                        << QStringList{"Intermittent IV - Injection",
                                       "Continuous IV - Injection",
                                       "IM - Injection",
                                       "Oral - Divalproex Fast - Release Tables",
                                       "Oral - Divalproex Extended - Release Capsules",
                                       "Oral - Valproic Acid Capsules",
                                       "Oral - Valproic Acid Syrup"};
    QTest::newRow("PH") << "PH"
                        << QStringList{"Intermittent IV - Injection",
                                       "Intermittent IV - Injection (Fosphenytoin)",
                                       "IM - Injection (Fosphenytoin)",
                                       "Oral - Capsules",
                                       "Oral - Suspension",
                                       "Oral - Tablets"};
    QTest::newRow("PC") << "PC"
                        << QStringList{"Intermittent IV - Injection", "Continuous IV - Injection",
                                       "IM - Injection", "Oral - Fast - Release Capsules",
                                       "Oral - Slow - Release Capsules"};
}

void TestDrugInfoCatalogue::exactRouteTexts()
{
    QFETCH(QString, code);
    QFETCH(QStringList, items);
    const QVector<QString> list = DrugInfo::routeItems(code, UserChoiceRecord(), false);
    QCOMPARE(QStringList(list.toList()), items);
}

void TestDrugInfoCatalogue::comboSelectsTheDrugsDefault_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("current");
    QTest::newRow("GM") << "GM"
                        << "Intermittent IV - Injection";
    QTest::newRow("LI starts oral") << "LI"
                                    << "Oral - Capsules";
    QTest::newRow("TH aminophylline, not the plain injection")
        << "TH"
        << "Intermittent IV - Injection (Aminophylline)";
    QTest::newRow("QD gluconate") << "QD"
                                  << "Intermittent IV - Injection(Gluconate)";
    QTest::newRow("PH") << "PH"
                        << "Intermittent IV - Injection";
    QTest::newRow("unknown code") << "XY"
                                  << "";
}

void TestDrugInfoCatalogue::comboSelectsTheDrugsDefault()
{
    QFETCH(QString, code);
    QFETCH(QString, current);
    SessionData session;
    PkCalculator calculator(&session);
    DrugInfo info(&session, &calculator);
    session.patient.drugCode = code;
    QComboBox combo;
    combo.addItem("left over");
    QSignalSpy changes(&combo, &QComboBox::currentTextChanged);
    info.fillRouteCombo(&combo);
    QCOMPARE(combo.currentText(), current);
    if (!current.isEmpty()) {
        // A connected route handler sees the default product while the box is being filled.
        QVERIFY(!changes.isEmpty());
        QCOMPARE(changes.last().first().toString(), current);
    }
    for (int i = 0; i < combo.count(); ++i)
        QVERIFY(!combo.itemData(i).isValid());
}

void TestDrugInfoCatalogue::refillingReplacesTheItems()
{
    SessionData session;
    PkCalculator calculator(&session);
    DrugInfo info(&session, &calculator);
    session.patient.drugCode = "PB";
    QComboBox combo;
    info.fillRouteCombo(&combo);
    info.fillRouteCombo(&combo);
    QCOMPARE(combo.count(), 4);
    session.patient.drugCode = "VM";
    info.fillRouteCombo(&combo);
    QCOMPARE(combo.count(), 1);
    session.patient.drugCode = "none";
    info.fillRouteCombo(&combo);
    QCOMPARE(combo.count(), 0);
}

void TestDrugInfoCatalogue::userChoiceRoutes_data()
{
    QTest::addColumn<QString>("ivSalt");
    QTest::addColumn<QString>("imSalt");
    QTest::addColumn<QString>("oralSalt");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("oral only") << ""
                               << ""
                               << "0.9" << false << QStringList{"Oral - Sustained pellets"};
    QTest::newRow("IV and IM") << "1"
                               << "1"
                               << "" << false
                               << QStringList{"Intermittent IV - ", "Continuous IV - ", "IM - "};
    QTest::newRow("all three") << "1"
                               << "1"
                               << "1" << false
                               << QStringList{"Intermittent IV - ", "Continuous IV - ", "IM - ",
                                              "Oral - Sustained pellets"};
    QTest::newRow("none entered") << ""
                                  << ""
                                  << "" << false << QStringList{};
    QTest::newRow("skipped for the converter") << "1"
                                               << "1"
                                               << "1" << true << QStringList{};
}

void TestDrugInfoCatalogue::userChoiceRoutes()
{
    QFETCH(QString, ivSalt);
    QFETCH(QString, imSalt);
    QFETCH(QString, oralSalt);
    QFETCH(bool, skip);
    QFETCH(QStringList, items);
    SessionData session;
    PkCalculator calculator(&session);
    DrugInfo info(&session, &calculator);
    session.patient.drugCode = "ZZ";
    session.userChoice.ivSaltText = ivSalt;
    session.userChoice.imSaltText = imSalt;
    session.userChoice.oralSaltText = oralSalt;
    session.userChoice.oralFormText = "Sustained pellets";

    QVector<QString> list;
    info.fillRouteList("ZZ", &list, skip);
    QCOMPARE(QStringList(list.toList()), items);

    if (skip)
        return;
    QComboBox combo;
    info.fillRouteCombo(&combo);
    QCOMPARE(combo.count(), items.size());
    QCOMPARE(combo.currentText(), items.value(0));
}

void TestDrugInfoCatalogue::dosageFormSplit_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("form");
    QTest::addColumn<char>("letter");
    QTest::newRow("tablets") << "Oral - Tablets"
                             << "Tablets" << 'O';
    QTest::newRow("only the first hyphen separates")
        << "Oral - Immediate - Release Tablets (Sulfate)"
        << "Immediate - Release Tablets (Sulfate)" << 'O';
    QTest::newRow("no blank before the bracket") << "Intermittent IV - Injection(Gluconate)"
                                                 << "Injection(Gluconate)" << 'D';
    QTest::newRow("user's choice IV") << "Intermittent IV - "
                                      << "" << 'D';
    QTest::newRow("user's choice oral") << "Oral - My form"
                                        << "My form" << 'O';
    QTest::newRow("continuous") << "Continuous IV - Injection"
                                << "Injection" << 'C';
    QTest::newRow("empty") << ""
                           << "" << 'X';
    QTest::newRow("no hyphen") << "Oral"
                               << "" << 'O';
}

void TestDrugInfoCatalogue::dosageFormSplit()
{
    QFETCH(QString, item);
    QFETCH(QString, form);
    QFETCH(char, letter);
    QCOMPARE(DrugInfo::dosageFormOf(item), form);
    QCOMPARE(PkCalculator::routeCode(item), letter);
}

void TestDrugInfoCatalogue::indexOfText_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    const QStringList routes{"Intermittent IV - Injection", "Oral - Tablets", "Oral - Tablets"};
    QTest::newRow("first") << routes << "Intermittent IV - Injection" << 0;
    QTest::newRow("first of two equal") << routes << "Oral - Tablets" << 1;
    QTest::newRow("case differs") << routes << "oral - tablets" << -1;
    QTest::newRow("prefix only") << routes << "Oral" << -1;
    QTest::newRow("empty list") << QStringList{} << "Oral - Tablets" << -1;
}

void TestDrugInfoCatalogue::indexOfText()
{
    QFETCH(QStringList, list);
    QFETCH(QString, text);
    QFETCH(int, index);
    QCOMPARE(DrugInfo::indexOfText(QVector<QString>::fromList(list), text), index);
}

void TestDrugInfoCatalogue::factorCounts_data()
{
    QTest::addColumn<FactorList>("list");
    QTest::addColumn<QString>("sex");
    QTest::addColumn<double>("age");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("lastAnswer");

    const FactorList aminoglycoside = DrugInfo::aminoglycosideFactorList;
    const FactorList vancomycin = DrugInfo::vancomycinFactorList;
    const FactorList digoxin = DrugInfo::digoxinFactorList;
    const FactorList phenobarbital = DrugInfo::phenobarbitalFactorList;
    QTest::newRow("aminoglycoside adult")
        << aminoglycoside << "M" << 40.0 << 5 << " Cystic fibrosis patient. ";
    QTest::newRow("aminoglycoside at 1/12")
        << aminoglycoside << "M" << 1.0 / 12.0 << 9 << " Infant receiving ECMO. ";
    QTest::newRow("aminoglycoside at 0.1")
        << aminoglycoside << "F" << 0.1 << 6
        << " Preterm infant less than 28 weeks gestational age. ";
    QTest::newRow("aminoglycoside at 1/6")
        << aminoglycoside << "F" << 1.0 / 6.0 << 6
        << " Preterm infant less than 28 weeks gestational age. ";
    QTest::newRow("aminoglycoside at 0.2")
        << aminoglycoside << "F" << 0.2 << 5 << " Cystic fibrosis patient. ";
    QTest::newRow("vancomycin at 0.1") << vancomycin << "M" << 0.1 << 3
                                       << " Preterm infant of 28 weeks or less gestational age.  ";
    QTest::newRow("vancomycin at 0.164")
        << vancomycin << "M" << 0.164 << 3
        << " Preterm infant of 28 weeks or less gestational age.  ";
    QTest::newRow("vancomycin at 0.17") << vancomycin << "M" << 0.17 << 2 << " Burn patient. ";
    QTest::newRow("vancomycin at 1/12")
        << vancomycin << "M" << 1.0 / 12.0 << 4 << " Neonate with PDA. ";
    QTest::newRow("digoxin neonate") << digoxin << "M" << 0.05 << 10 << " Premature infant. ";
    QTest::newRow("digoxin child")
        << digoxin << "M" << 0.09 << 9 << " Patient is taking spironolactone. ";
    QTest::newRow("phenobarbital male")
        << phenobarbital << "M" << 30.0 << 3 << " Patient taking valproic acid. ";
    QTest::newRow("phenobarbital female")
        << phenobarbital << "F" << 30.0 << 4 << " Pregnant Patient. ";
    QTest::newRow("ciprofloxacin") << FactorList(DrugInfo::ciprofloxacinFactorList) << "M" << 30.0
                                   << 7 << " Patient is taking multivitamins with zinc. ";
    QTest::newRow("levofloxacin") << FactorList(DrugInfo::levofloxacinFactorList) << "M" << 30.0
                                  << 3 << " Patient is taking sucralfate. ";
    QTest::newRow("lithium") << FactorList(DrugInfo::lithiumFactorList) << "M" << 30.0 << 6
                             << " Patient is on a thiazide-type diuretic. ";
    QTest::newRow("phenytoin") << FactorList(DrugInfo::phenytoinFactorList) << "M" << 30.0 << 6
                               << " Patient is receiving fluoxetine, fluconazole or voriconazole. ";
    QTest::newRow("procainamide") << FactorList(DrugInfo::procainamideFactorList) << "M" << 30.0
                                  << 4 << " Patient's cardiac output is impaired. ";
    QTest::newRow("quinidine") << FactorList(DrugInfo::quinidineFactorList) << "M" << 30.0 << 8
                               << " Patient is taking verapamil. ";
    QTest::newRow("theophylline") << FactorList(DrugInfo::theophyllineFactorList) << "M" << 30.0
                                  << 15 << " Patient is hypothyroid. ";
}

void TestDrugInfoCatalogue::factorCounts()
{
    QFETCH(FactorList, list);
    QFETCH(QString, sex);
    QFETCH(double, age);
    QFETCH(int, count);
    QFETCH(QString, lastAnswer);
    SessionData session;
    list(&session, sex, age);
    QCOMPARE(session.factorCount, count);
    QCOMPARE(session.factorAnswers[count - 1], lastAnswer);
}

void TestDrugInfoCatalogue::factorTextsKeepTheirBlanks()
{
    const FactorList lists[] = {
        DrugInfo::aminoglycosideFactorList, DrugInfo::ciprofloxacinFactorList,
        DrugInfo::digoxinFactorList,        DrugInfo::levofloxacinFactorList,
        DrugInfo::lithiumFactorList,        DrugInfo::phenobarbitalFactorList,
        DrugInfo::phenytoinFactorList,      DrugInfo::procainamideFactorList,
        DrugInfo::quinidineFactorList,      DrugInfo::theophyllineFactorList,
        DrugInfo::vancomycinFactorList,
    };
    for (const FactorList& list : lists) {
        SessionData session;
        list(&session, "F", 0.0);
        QVERIFY(session.factorCount > 0);
        for (int i = 0; i < session.factorCount; ++i) {
            const QString& question = session.factorQuestions[i];
            const QString& answer = session.factorAnswers[i];
            QVERIFY2(question.startsWith(' ') && question.size() > 2, qPrintable(question));
            QVERIFY2(answer.startsWith(' ') && answer.endsWith(' '), qPrintable(answer));
        }
    }
    // Padding differs from question to question and is part of the text.
    SessionData session;
    DrugInfo::aminoglycosideFactorList(&session, "M", 40.0);
    QCOMPARE(session.factorQuestions[1], QString(" Is this a burn patient ?                  "));
    DrugInfo::phenytoinFactorList(&session, "M", 40.0);
    QCOMPARE(session.factorQuestions[2], QString(" Is the patient's bilirubin > 6 mg/dL ?  "));
    DrugInfo::quinidineFactorList(&session, "M", 40.0);
    QCOMPARE(session.factorQuestions[5], QString(" Is the patient taking phenytion ?         "));
}

void TestDrugInfoCatalogue::shorterListLeavesLaterEntries()
{
    SessionData session;
    DrugInfo::theophyllineFactorList(&session, "M", 40.0);
    const QString seventh = session.factorQuestions[6];
    DrugInfo::lithiumFactorList(&session, "M", 40.0);
    QCOMPARE(session.factorCount, 6);
    QCOMPARE(session.factorQuestions[5], QString(" Is patient on a thiazide-type diuretic ? "));
    QCOMPARE(session.factorQuestions[6], seventh);
}

TALVORA_TEST_MAIN(TestDrugInfoCatalogue)
#include "tst_druginfocatalogue.moc"
