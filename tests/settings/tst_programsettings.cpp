#include "app/ProgramConfig.h"
#include "pkcore/SessionData.h"
#include "platform/SettingsFile.h"
#include "platform/SettingsKeys.h"
#include "settings/ProgramSettingPage.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <memory>

namespace
{

const QString generalItem = QStringLiteral("General Setting");
const QString reportItem = QStringLiteral("Report Setting");
const QString databaseItem = QStringLiteral("Database");
const QString versionItem = QStringLiteral("Software Version");
const QString convertItem = QStringLiteral("Convert Database");

// A settings file holding only the database path, and the dialog built on it.
struct Installation {
    TestEnvironment env;
    ProgramConfig config;
    SessionData session{qApp};
    std::unique_ptr<ProgramSettingPage> page;

    bool prepare() { return env.openAsProgram(config); }

    // Raw writes, so the dialog is tested against what another program could have put there.
    void put(const QString& key, const QString& value)
    {
        QSettings settings(env.settingsPath(), QSettings::IniFormat);
        settings.setValue(key, value);
    }

    QString stored(const QString& key) const
    {
        return SettingsFile(env.settingsPath()).value(key, QStringLiteral("<missing>"));
    }

    ProgramSettingPage* open(bool loggedIn = true)
    {
        session.loggedIn = loggedIn;
        page = std::make_unique<ProgramSettingPage>(nullptr, nullptr, nullptr, &config, &session);
        return page.get();
    }

    template <typename T> T* find(const QString& name) const { return page->findChild<T*>(name); }

    QTreeWidgetItem* treeItem(const QString& text) const
    {
        const auto items =
            find<QTreeWidget>(QStringLiteral("treeWidget"))->findItems(text, Qt::MatchExactly);
        return items.isEmpty() ? nullptr : items.first();
    }

    void clickItem(const QString& text)
    {
        auto* tree = find<QTreeWidget>(QStringLiteral("treeWidget"));
        emit tree->itemClicked(treeItem(text), 0);
    }

    int currentPage() const
    {
        return find<QTabWidget>(QStringLiteral("tabWidget"))->currentIndex();
    }
};

QString styleSheetOf(const QString& option)
{
    if (option == QLatin1String("0"))
        return QString();
    return SessionData::readTextFile(QStringLiteral(":/stylesheet/style%1.qss").arg(option));
}

} // namespace

class TestProgramSettings : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { qApp->setStyleSheet(QString()); }

    void formAndNavigation();
    void softwareVersionPageStays();
    void guestCannotReachConversion();

    void radioChoiceWritesAndReadsBack_data();
    void radioChoiceWritesAndReadsBack();
    void logInModeWrittenUnderTheLogInKey();
    void fileValuesTickWidgets_data();
    void fileValuesTickWidgets();

    void reportBoxWritesItsKey_data();
    void reportBoxWritesItsKey();
    void forecastSectionsExcludeEachOther_data();
    void forecastSectionsExcludeEachOther();
    void updateFrequencyWritesPrompt_data();
    void updateFrequencyWritesPrompt();

    void failedWriteIsReportedAndUndone_data();
    void failedWriteIsReportedAndUndone();
};

void TestProgramSettings::formAndNavigation()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    ProgramSettingPage* page = inst.open();

    QCOMPARE(page->windowTitle(), QStringLiteral("Program Setting"));
    // Not resizable, and within the smallest screen served.
    QCOMPARE(page->minimumSize(), page->maximumSize());
    QVERIFY(page->width() <= 1024 && page->height() <= 768);
    QVERIFY(inst.find<QTabWidget>(QStringLiteral("tabWidget"))->tabBar()->isHidden());
    QVERIFY(inst.find<QFrame>(QStringLiteral("frame_download"))->isHidden());
    QCOMPARE(inst.find<QLabel>(QStringLiteral("label_current_version"))->text(),
             QStringLiteral("Current Version:v0.14.12.23"));

    auto* tree = inst.find<QTreeWidget>(QStringLiteral("treeWidget"));
    QCOMPARE(tree->columnCount(), 1);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Settings"));
    QStringList order;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        order << tree->topLevelItem(i)->text(0);
    QCOMPARE(order, (QStringList{generalItem, reportItem, databaseItem, versionItem, convertItem}));
    QCOMPARE(tree->currentItem()->text(0), generalItem);
    QCOMPARE(inst.currentPage(), ProgramSettingPage::generalPage);

    const QVector<QPair<QString, int>> pages{{reportItem, ProgramSettingPage::reportPage},
                                             {databaseItem, ProgramSettingPage::databasePage},
                                             {versionItem, ProgramSettingPage::versionPage},
                                             {convertItem, ProgramSettingPage::convertPage},
                                             {generalItem, ProgramSettingPage::generalPage}};
    for (const auto& entry : pages) {
        inst.clickItem(entry.first);
        QCOMPARE(inst.currentPage(), entry.second);
    }
    const QStringList pageNames{QStringLiteral("tab_normal"), QStringLiteral("tab_db_convert"),
                                QStringLiteral("dbinfo"), QStringLiteral("tab_2"),
                                QStringLiteral("tab")};
    auto* tabs = inst.find<QTabWidget>(QStringLiteral("tabWidget"));
    for (int i = 0; i < pageNames.size(); ++i)
        QCOMPARE(tabs->widget(i)->objectName(), pageNames[i]);
}

void TestProgramSettings::softwareVersionPageStays()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    ProgramSettingPage* page = inst.open();

    page->showSoftwareVersionPage(ProgramSettingPage::versionPage);
    QCOMPARE(inst.currentPage(), ProgramSettingPage::versionPage);
    QCOMPARE(inst.find<QTreeWidget>(QStringLiteral("treeWidget"))->currentItem()->text(0),
             versionItem);
    // Closing and opening again keeps the page; nothing turns it back.
    page->show();
    page->hide();
    QCOMPARE(inst.currentPage(), ProgramSettingPage::versionPage);
}

void TestProgramSettings::guestCannotReachConversion()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.open(false);

    QVERIFY(inst.treeItem(convertItem)->isDisabled());
    inst.clickItem(reportItem);
    inst.clickItem(convertItem);
    QCOMPARE(inst.currentPage(), ProgramSettingPage::reportPage);
    // The database page itself stays open to guests.
    inst.clickItem(databaseItem);
    QCOMPARE(inst.currentPage(), ProgramSettingPage::databasePage);
}

void TestProgramSettings::radioChoiceWritesAndReadsBack_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("written");

    QTest::newRow("inch") << "height_inch"
                          << "Unit/height"
                          << "cm"
                          << "inch";
    QTest::newRow("cm") << "height_cm"
                        << "Unit/height"
                        << "inch"
                        << "cm";
    QTest::newRow("lb") << "weight_lb"
                        << "Unit/weight"
                        << "kg"
                        << "lb";
    QTest::newRow("kg") << "weight_kg"
                        << "Unit/weight"
                        << "lb"
                        << "kg";
    QTest::newRow("cm again") << "height_cm"
                              << "Unit/height"
                              << "cm"
                              << "cm";
    QTest::newRow("no style") << "button_no_style"
                              << "BackGround/option"
                              << "2"
                              << "0";
    QTest::newRow("sky blue") << "button_style_1"
                              << "BackGround/option"
                              << "2"
                              << "1";
    QTest::newRow("autumn orange") << "button_style_2"
                                   << "BackGround/option"
                                   << "9"
                                   << "2";
    QTest::newRow("grass green") << "button_style_3"
                                 << "BackGround/option"
                                 << "0"
                                 << "3";
    QTest::newRow("fire red") << "button_style_4"
                              << "BackGround/option"
                              << "1"
                              << "4";
    QTest::newRow("fire red again") << "button_style_4"
                                    << "BackGround/option"
                                    << "7"
                                    << "4";
    QTest::newRow("typed names") << "userName_input"
                                 << "Config/logInMode"
                                 << "1"
                                 << "2";
    QTest::newRow("user list") << "userName_list"
                               << "Config/logInMode"
                               << "2"
                               << "1";
}

void TestProgramSettings::radioChoiceWritesAndReadsBack()
{
    QFETCH(QString, button);
    QFETCH(QString, key);
    QFETCH(QString, before);
    QFETCH(QString, written);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.put(key, before);
    qApp->setStyleSheet(QStringLiteral("QWidget { color: rgb(1, 2, 3); }"));
    PromptScript prompts;
    inst.open();

    inst.find<QRadioButton>(button)->click();
    QCOMPARE(inst.stored(key), written);
    if (key == QLatin1String("BackGround/option")) {
        const QString sheet = styleSheetOf(written);
        QVERIFY(written == QLatin1String("0") || !sheet.isEmpty());
        QCOMPARE(qApp->styleSheet(), sheet);
    }

    // A new dialog shows the choice from the file.
    inst.open();
    QVERIFY(inst.find<QRadioButton>(button)->isChecked());
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestProgramSettings::logInModeWrittenUnderTheLogInKey()
{
    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.open();

    inst.find<QRadioButton>(QStringLiteral("userName_input"))->click();
    // The log-in dialog reads the key in another letter case; it is the same key.
    QSettings raw(inst.env.settingsPath(), QSettings::IniFormat);
    const QStringList keys = raw.allKeys().filter(QStringLiteral("loginmode"), Qt::CaseInsensitive);
    QCOMPARE(keys.size(), 1);
    QCOMPARE(raw.value(keys.first()).toString(), QStringLiteral("2"));
    QCOMPARE(
        SettingsFile(inst.env.settingsPath()).value(QLatin1String(SettingsKeys::configLogInMode)),
        QStringLiteral("2"));
}

void TestProgramSettings::fileValuesTickWidgets_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<int>("frequencyIndex");

    const QStringList defaults{"height_cm", "weight_kg", "button_style_2", "userName_list"};
    QTest::newRow("only the path") << ""
                                   << "" << defaults << 0;
    QTest::newRow("option 9") << "BackGround/option"
                              << "9" << QStringList{"button_style_4"} << 0;
    QTest::newRow("empty option") << "BackGround/option"
                                  << "" << QStringList{"button_style_4"} << 0;
    QTest::newRow("option 0") << "BackGround/option"
                              << "0" << QStringList{"button_no_style"} << 0;
    QTest::newRow("option 3") << "BackGround/option"
                              << "3" << QStringList{"button_style_3"} << 0;
    QTest::newRow("height CM") << "Unit/height"
                               << "CM" << QStringList{"height_inch"} << 0;
    QTest::newRow("key in capitals") << "UNIT/HEIGHT"
                                     << "inch" << QStringList{"height_inch"} << 0;
    QTest::newRow("pounds") << "Unit/weight"
                            << "lb" << QStringList{"weight_lb"} << 0;
    QTest::newRow("other unit") << "Unit/weight"
                                << "stone" << QStringList{"weight_lb"} << 0;
    QTest::newRow("typed names") << "Config/LogInMode"
                                 << "2" << QStringList{"userName_input"} << 0;
    QTest::newRow("odd mode") << "Config/logInMode"
                              << "x" << QStringList{"userName_input"} << 0;
    QTest::newRow("never") << "Update/frequency"
                           << "Never" << defaults << 1;
    QTest::newRow("weekly") << "Update/frequency"
                            << "Weekly" << defaults << 1;
    QTest::newRow("monthly") << "Update/frequency"
                             << "Monthly" << defaults << 0;
}

void TestProgramSettings::fileValuesTickWidgets()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QStringList, ticked);
    QFETCH(int, frequencyIndex);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    if (!key.isEmpty())
        inst.put(key, value);
    const QByteArray fileBefore = [&] {
        QFile file(inst.env.settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    inst.open();

    for (const QString& name : ticked)
        QVERIFY2(inst.find<QRadioButton>(name)->isChecked(), qPrintable(name));
    QCOMPARE(inst.find<QComboBox>(QStringLiteral("comboBox_update_interval"))->currentIndex(),
             frequencyIndex);
    for (QCheckBox* box : inst.page->findChildren<QCheckBox*>())
        QVERIFY2(box->isChecked(), qPrintable(box->objectName()));

    // Building the dialog writes nothing.
    QFile file(inst.env.settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), fileBefore);
}

void TestProgramSettings::reportBoxWritesItsKey_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("key");

    const QVector<QPair<const char*, const char*>> boxes{
        {"checkBox_pop_param", "Report/populationPK"},
        {"checkBox_custom_param", "Report/customPK"},
        {"checkBox_bayes_param", "Report/bayesianPK"},
        {"checkBox_LS_param", "Report/leastSquarePK"},
        {"checkBox_prior_graph", "Report/priorGraph"},
        {"checkBox_bayes_graph", "Report/bayesianGraph"},
        {"checkBox_LS_graph", "Report/leastSquareGraph"},
        {"checkBox_dosage_regimen_forecast_pop", "Report/populationDrf"},
        {"checkBox_dosage_regimen_forecast_custom", "Report/customDrf"},
        {"checkBox_dosage_regimen_forecast_bayes", "Report/bayesianDrf"},
        {"checkBox_dosage_regimen_forecast_ls", "Report/leastSquareDrf"},
        {"checkBox_serum_level_forecast_pop", "Report/populationSlf"},
        {"checkBox_serum_level_forecast_custom", "Report/customSlf"},
        {"checkBox_serum_level_forecast_bayes", "Report/bayesianSlf"},
        {"checkBox_serum_level_forecast_ls", "Report/leastSquareSlf"}};
    for (const auto& entry : boxes)
        QTest::newRow(entry.first) << entry.first << entry.second;
}

void TestProgramSettings::reportBoxWritesItsKey()
{
    QFETCH(QString, box);
    QFETCH(QString, key);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.open();
    auto* checkBox = inst.find<QCheckBox>(box);
    QVERIFY(checkBox->isChecked());

    checkBox->click();
    QCOMPARE(inst.stored(key), QStringLiteral("false"));
    inst.open();
    QVERIFY(!inst.find<QCheckBox>(box)->isChecked());
    // The other sixteen keys were not touched.
    QSettings raw(inst.env.settingsPath(), QSettings::IniFormat);
    QCOMPARE(raw.allKeys().filter(QStringLiteral("Report/")).size(), 1);

    inst.find<QCheckBox>(box)->click();
    QCOMPARE(inst.stored(key), QStringLiteral("true"));
    inst.open();
    QVERIFY(inst.find<QCheckBox>(box)->isChecked());
}

void TestProgramSettings::forecastSectionsExcludeEachOther_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("otherKey");

    QTest::newRow("regimen") << "checkBox_dosage_regimen_forecast"
                             << "checkBox_serum_level_forecast"
                             << "Report/drf"
                             << "Report/slf";
    QTest::newRow("level") << "checkBox_serum_level_forecast"
                           << "checkBox_dosage_regimen_forecast"
                           << "Report/slf"
                           << "Report/drf";
}

void TestProgramSettings::forecastSectionsExcludeEachOther()
{
    QFETCH(QString, clicked);
    QFETCH(QString, other);
    QFETCH(QString, key);
    QFETCH(QString, otherKey);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.put(QStringLiteral("Report/drf"), QStringLiteral("true"));
    inst.put(QStringLiteral("Report/slf"), QStringLiteral("true"));
    inst.open();
    auto* box = inst.find<QCheckBox>(clicked);
    auto* otherBox = inst.find<QCheckBox>(other);
    QVERIFY(box->isChecked() && otherBox->isChecked());

    // Unticking writes only its own key.
    box->click();
    QCOMPARE(inst.stored(key), QStringLiteral("false"));
    QCOMPARE(inst.stored(otherKey), QStringLiteral("true"));
    QVERIFY(otherBox->isChecked());

    // Ticking unticks the other section.
    box->click();
    QCOMPARE(inst.stored(key), QStringLiteral("true"));
    QCOMPARE(inst.stored(otherKey), QStringLiteral("false"));
    QVERIFY(box->isChecked());
    QVERIFY(!otherBox->isChecked());

    // The four boxes under a section follow it in nothing.
    for (QCheckBox* sub : inst.page->findChildren<QCheckBox*>(QRegularExpression(other + "_")))
        QVERIFY(sub->isChecked() && sub->isEnabled());
}

void TestProgramSettings::updateFrequencyWritesPrompt_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("frequency");

    QTest::newRow("never") << 1 << "Never";
    QTest::newRow("monthly") << 0 << "Monthly";
}

void TestProgramSettings::updateFrequencyWritesPrompt()
{
    QFETCH(int, index);
    QFETCH(QString, frequency);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.put(QStringLiteral("Update/prompt"), QStringLiteral("No"));
    inst.open();
    auto* combo = inst.find<QComboBox>(QStringLiteral("comboBox_update_interval"));
    combo->setCurrentIndex(index);
    emit combo->activated(index);

    QCOMPARE(inst.stored(QStringLiteral("Update/frequency")), frequency);
    QCOMPARE(inst.stored(QStringLiteral("Update/prompt")), QStringLiteral("Yes"));
    inst.open();
    QCOMPARE(inst.find<QComboBox>(QStringLiteral("comboBox_update_interval"))->currentIndex(),
             index);
}

void TestProgramSettings::failedWriteIsReportedAndUndone_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("keptTicked");

    QTest::newRow("unit") << "height_inch"
                          << "height_cm";
    QTest::newRow("style") << "button_style_1"
                           << "button_style_2";
    QTest::newRow("report box") << "checkBox_LS_graph"
                                << "checkBox_LS_graph";
    QTest::newRow("section") << "checkBox_serum_level_forecast"
                             << "checkBox_serum_level_forecast";
}

void TestProgramSettings::failedWriteIsReportedAndUndone()
{
    QFETCH(QString, widget);
    QFETCH(QString, keptTicked);

    Installation inst;
    QVERIFY2(inst.prepare(), qPrintable(inst.env.error()));
    inst.open();
    QFile file(inst.env.settingsPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    qApp->setStyleSheet(QString());

    PromptScript prompts;
    inst.find<QAbstractButton>(widget)->click();
    const auto shown = prompts.take();
    QCOMPARE(int(shown.size()), 1);
    QCOMPARE(shown[0].title, QStringLiteral("Error"));
    QVERIFY2(shown[0].text.contains(QStringLiteral("read-only")), qPrintable(shown[0].text));
    QVERIFY(inst.find<QAbstractButton>(keptTicked)->isChecked());
    QVERIFY(qApp->styleSheet().isEmpty());

    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

TALVORA_TEST_MAIN(TestProgramSettings)
#include "tst_programsettings.moc"
