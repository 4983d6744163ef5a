#include "app/WelcomePage.h"
#include "pkcore/SessionData.h"
#include "platform/SettingsKeys.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QVBoxLayout>

#include <memory>

namespace
{
using testsupport::requireChild;

const QColor refusedRed(255, 85, 85);

QString styleSheet(int number)
{
    return SessionData::readTextFile(QString(":/stylesheet/style%1.qss").arg(number));
}

// Every image a form or a window of the program names.
const char* const programImages[] = {
    "back.png",     "convert.png", "copy.png",        "database.png", "delete.png",
    "empty.png",    "forward.png", "green-check.png", "home.png",     "morvane_logo.bmp",
    "redCross.ico", "report.ico",  "search.png",      "setting.png",  "version.png",
    "warning.png",  "zoom_in.png", "zoom_out.png",
};

QColor pixelAt(const QImage& image, QWidget* host, QWidget* widget, QPoint inWidget)
{
    return image.pixelColor(widget->mapTo(host, inWidget));
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

bool isRedTint(const QColor& colour)
{
    return colour.red() >= 240 && colour.green() <= 200 && colour.green() == colour.blue();
}

QString describe(const QColor& colour)
{
    return QString("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

} // namespace

class TestWelcome : public QObject
{
    Q_OBJECT
private slots:
    void showsTheProgramsVersion();
    void newVersionNoticeShowsAndClears();
    void buttonsEmitOrRefuse_data();
    void buttonsEmitOrRefuse();

    void styleSheetsShareTheirRules();
    void styleSheetsPaintFields_data();
    void styleSheetsPaintFields();
    void welcomePagePaintsTheSheetsGradient_data();
    void welcomePagePaintsTheSheetsGradient();

    void programImagesLoad_data();
    void programImagesLoad();
    void formsNameOnlyImagesThatExist();

private:
    std::unique_ptr<SessionData> m_session = std::make_unique<SessionData>();
};

void TestWelcome::showsTheProgramsVersion()
{
    WelcomePage page(nullptr, nullptr, m_session.get());
    QCOMPARE(page.objectName(), QString("WelcomePage")); // the style sheets select it by name
    QCOMPARE(requireChild<QLabel>(&page, "label_version")->text(), QString("Version:"));
    QCOMPARE(requireChild<QLabel>(&page, "label_version_number")->text(), QString("v0.14.12.23"));
    QCOMPARE(requireChild<QLabel>(&page, "label_version_reminder")->text(), QString());
    QVERIFY(!requireChild<QLabel>(&page, "welcomeImage")->pixmap(Qt::ReturnByValue).isNull());
}

void TestWelcome::newVersionNoticeShowsAndClears()
{
    WelcomePage page(nullptr, nullptr, m_session.get());
    auto* notice = requireChild<QLabel>(&page, "label_version_reminder");
    page.showNewVersionNotice(true);
    QCOMPARE(notice->text(), QString("There is a newer version available."));
    page.showNewVersionNotice(false);
    QCOMPARE(notice->text(), QString());
}

void TestWelcome::buttonsEmitOrRefuse_data()
{
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("newPatients");
    QTest::addColumn<int>("openPatients");
    QTest::addColumn<bool>("guestBox");
    QTest::newRow("user, new") << true << "Button_New_Patient" << 1 << 0 << false;
    QTest::newRow("guest, new") << false << "Button_New_Patient" << 1 << 0 << false;
    QTest::newRow("user, load") << true << "Button_Load_Patient" << 0 << 1 << false;
    QTest::newRow("guest, load") << false << "Button_Load_Patient" << 0 << 0 << true;
}

void TestWelcome::buttonsEmitOrRefuse()
{
    QFETCH(bool, loggedIn);
    QFETCH(QString, button);
    QFETCH(int, newPatients);
    QFETCH(int, openPatients);
    QFETCH(bool, guestBox);
    PromptScript prompts;
    m_session->loggedIn = loggedIn;
    WelcomePage page(nullptr, nullptr, m_session.get());
    QSignalSpy newSpy(&page, &WelcomePage::create_newpatient);
    QSignalSpy openSpy(&page, &WelcomePage::create_openpatient);

    requireChild<QPushButton>(&page, qPrintable(button))->click();

    QCOMPARE(newSpy.count(), newPatients);
    QCOMPARE(openSpy.count(), openPatients);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(guestBox ? 1 : 0));
    if (guestBox) {
        QCOMPARE(records[0].kind, PromptKind::Information);
        QCOMPARE(records[0].title, QString("Guest Mode"));
        QCOMPARE(records[0].text, QString("Guest mode cannot connect to database."));
    }
}

void TestWelcome::styleSheetsShareTheirRules()
{
    static const QRegularExpression colour("rgba?\\([^)]*\\)");
    const QString first = styleSheet(1).replace(colour, "colour");
    QVERIFY(!first.isEmpty());
    QVERIFY(first.contains("[error=\"true\"]"));
    for (int number = 2; number <= 4; ++number)
        QVERIFY2(styleSheet(number).replace(colour, "colour") == first,
                 qPrintable(QString("style%1.qss has rules of its own").arg(number)));
}

void TestWelcome::styleSheetsPaintFields_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QColor>("disabled");
    QTest::newRow("style1") << 1 << QColor(190, 207, 255);
    QTest::newRow("style2") << 2 << QColor(255, 207, 190);
    QTest::newRow("style3") << 3 << QColor(176, 255, 168);
    QTest::newRow("style4") << 4 << QColor(255, 207, 190);
}

void TestWelcome::styleSheetsPaintFields()
{
    QFETCH(int, number);
    QFETCH(QColor, disabled);
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    auto* plain = new QLineEdit;
    auto* refused = new QLineEdit;
    auto* off = new QLineEdit;
    auto* refusedBox = new QComboBox;
    auto* refusedRadio = new QRadioButton;
    for (QWidget* field :
         {static_cast<QWidget*>(plain), static_cast<QWidget*>(refused), static_cast<QWidget*>(off),
          static_cast<QWidget*>(refusedBox), static_cast<QWidget*>(refusedRadio)})
        layout->addWidget(field);
    // The patient form sets the property as a bool; the sheets must match it.
    for (QWidget* field : {static_cast<QWidget*>(refused), static_cast<QWidget*>(refusedBox),
                           static_cast<QWidget*>(refusedRadio)})
        field->setProperty("error", true);
    off->setEnabled(false);
    host.setStyleSheet(styleSheet(number));
    host.resize(300, 200);
    const QImage image = host.grab().toImage();

    const QPoint middle(refused->width() / 2, refused->height() / 2);
    // A closed combo box shades its background like a button, so it is only tinted red.
    const struct {
        QWidget* field;
        QPoint point;
        QColor expected;
        bool exact;
    } checks[] = {
        {plain, middle, Qt::white, true},
        {refused, middle, refusedRed, true},
        {off, middle, disabled, true},
        {refusedBox, QPoint(refusedBox->width() / 3, refusedBox->height() / 2), refusedRed, false},
        {refusedRadio, QPoint(refusedRadio->width() - 4, refusedRadio->height() / 2), refusedRed,
         true},
    };
    for (const auto& check : checks) {
        const QColor found = pixelAt(image, &host, check.field, check.point);
        const bool matches = check.exact ? near(found, check.expected, 0) : isRedTint(found);
        QVERIFY2(matches, qPrintable(check.field->metaObject()->className() + QString(": ") +
                                     describe(found) + " instead of " + describe(check.expected)));
    }
}

void TestWelcome::welcomePagePaintsTheSheetsGradient_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QColor>("top");
    QTest::addColumn<QColor>("bottom");
    QTest::newRow("style1") << 1 << QColor(100, 169, 236) << QColor(190, 207, 255);
    QTest::newRow("style2") << 2 << QColor(205, 154, 77) << QColor(255, 207, 190);
    QTest::newRow("style3") << 3 << QColor(115, 232, 104) << QColor(176, 255, 168);
    QTest::newRow("style4") << 4 << QColor(242, 75, 75) << QColor(245, 144, 144);
}

void TestWelcome::welcomePagePaintsTheSheetsGradient()
{
    QFETCH(int, number);
    QFETCH(QColor, top);
    QFETCH(QColor, bottom);
    // As the main window's central widget the page is a child, whose background nothing but
    // its own painting shows.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* page = new WelcomePage(&window, nullptr, m_session.get());
    layout->addWidget(page);
    window.setStyleSheet(styleSheet(number));
    window.resize(1024, 768);
    const QImage image = window.grab().toImage();
    // The page's layout margin leaves its own background visible at the edges.
    const QColor atTop = image.pixelColor(page->mapTo(&window, QPoint(1, 1)));
    const QColor atBottom = image.pixelColor(page->mapTo(&window, QPoint(1, page->height() - 2)));
    QVERIFY2(near(atTop, top, 2), qPrintable(describe(atTop)));
    QVERIFY2(near(atBottom, bottom, 2), qPrintable(describe(atBottom)));
}

void TestWelcome::programImagesLoad_data()
{
    QTest::addColumn<QString>("path");
    for (const char* name : programImages)
        QTest::newRow(name) << QString(":/image/") + name;
}

void TestWelcome::programImagesLoad()
{
    QFETCH(QString, path);
    QVERIFY(QFileInfo::exists(path));
    QVERIFY2(!QImage(path).isNull(), "the image cannot be decoded");
}

void TestWelcome::formsNameOnlyImagesThatExist()
{
    // The sources sit two folders above this file; a build elsewhere has no forms to read.
    const QDir forms(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../../forms");
    const QStringList files = forms.entryList({"*.ui"}, QDir::Files);
    if (files.isEmpty())
        QSKIP("the forms folder is not reachable from this build");
    static const QRegularExpression imagePath(":/image/[^<\"\\s]+");
    QStringList missing;
    for (const QString& name : files) {
        QFile file(forms.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto it = imagePath.globalMatch(text); it.hasNext();) {
            const QString path = it.next().captured();
            if (!QFileInfo::exists(path))
                missing << name + ": " + path;
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
}

TALVORA_TEST_MAIN(TestWelcome)
#include "tst_welcome.moc"
