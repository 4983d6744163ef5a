#include "app/About.h"
#include "app/HelpPage.h"
#include "platform/SettingsKeys.h"
#include "tests/support/ChildWidgets.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

namespace
{
using testsupport::requireChild;

const QString manualFile = QStringLiteral("TVA User Manual 2015 Without Ch1.html");

// A text whose occurrences of "alpha" differ in case and in being whole words.
const QString searchText = QStringLiteral("<p>alpha beta alpha gamma Alpha alphabet</p>");

struct Link {
    QString text;
    QString href;
};

QList<Link> linksOf(const QTextDocument* document)
{
    QList<Link> links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isAnchor() && !fragment.charFormat().anchorHref().isEmpty())
                links.append({fragment.text(), fragment.charFormat().anchorHref()});
        }
    return links;
}

QStringList anchorNamesOf(const QTextDocument* document)
{
    QStringList names;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            names += it.fragment().charFormat().anchorNames();
    return names;
}
} // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void aboutShowsVersionAndNotice();
    void aboutOkCloses();

    void opensOnTheManualsIndex();
    void indexLinksReachTheManualsChapters_data();
    void indexLinksReachTheManualsChapters();
    void navigationButtons();

    void searchHighlightsEveryOccurrence_data();
    void searchHighlightsEveryOccurrence();
    void findNextWrapsAroundWithNotice();
    void newWordStartsFromItsFirstMatch();
    void clearingTheBarRemovesHighlights();
    void optionWithEmptyBarDoesNothing();
    void findNextRefusals_data();
    void findNextRefusals();
    void searchFollowsToANewPage();

private:
    struct Search {
        HelpPage page{nullptr};
        QTextBrowser* browser = requireChild<QTextBrowser>(&page, "textBrowser");
        QLineEdit* bar = requireChild<QLineEdit>(&page, "search_bar");
        QLabel* repeat = requireChild<QLabel>(&page, "label_searchRepeat");
        QPushButton* findNext = requireChild<QPushButton>(&page, "button_search");
        Search() { browser->setHtml(searchText); }
        int selectionStart() const { return browser->textCursor().selectionStart(); }
    };
};

void TestHelp::aboutShowsVersionAndNotice()
{
    About about(nullptr);
    QCOMPARE(about.windowTitle(), QString("About"));
    QCOMPARE(requireChild<QLabel>(&about, "version_number")->text(), QString("v0.14.12.23 (BETA)"));
    QVERIFY(!requireChild<QLabel>(&about, "welcomeImage")->pixmap(Qt::ReturnByValue).isNull());
    const QString notice = requireChild<QTextEdit>(&about, "textEdit")->toPlainText();
    QVERIFY2(notice.startsWith("<WARNING: READ THIS IMPORTANT INFORMATION BEFORE PROCESSING.>"),
             qPrintable(notice));
    QVERIFY(notice.contains("January 2015"));
}

void TestHelp::aboutOkCloses()
{
    About about(nullptr);
    about.show();
    QVERIFY(about.isVisible());
    requireChild<QPushButton>(&about, "pushButton")->click();
    QVERIFY(!about.isVisible());
}

void TestHelp::opensOnTheManualsIndex()
{
    HelpPage page(nullptr);
    QCOMPARE(page.windowTitle(), QString("Talvora Help"));
    auto* browser = requireChild<QTextBrowser>(&page, "textBrowser");
    QCOMPARE(browser->source(), QUrl("qrc:/help/index.html"));
    QCOMPARE(browser->documentTitle(), QString("Talvora User Manual"));
    QCOMPARE(browser->palette().color(QPalette::Active, QPalette::Highlight), QColor(Qt::green));
    QCOMPARE(browser->palette().color(QPalette::Inactive, QPalette::Highlight), QColor(Qt::green));
}

void TestHelp::indexLinksReachTheManualsChapters_data()
{
    QTest::addColumn<QString>("anchor");
    const QList<QPair<const char*, const char*>> chapters = {
        {"Cover", "Cover"},
        {"Physiologic Parameters", "PP"},
        {"Pharmacokinetic Formulas", "PF"},
        {"Drug - Specific Parameters", "DSP"},
        {"Aminoglycosides", "A"},
        {"Ciprofloxacin", "C"},
        {"Digoxin", "D"},
        {"Flucytosine", "F"},
        {"Lithium", "L"},
        {"Levofloxacin and Ofloxacin", "LO"},
        {"Phenobarbital", "P"},
        {"Phenytoin", "PH"},
        {"Procainamide", "PR"},
        {"Quinidine", "Q"},
        {"Theophylline", "T"},
        {"Vancomycin", "V"},
        {"Antibiotic Pharmacodynamics", "AP"},
        {"Curve Fitting", "CF"},
    };
    for (const auto& chapter : chapters)
        QTest::newRow(chapter.first) << QString::fromLatin1(chapter.second);
}

void TestHelp::indexLinksReachTheManualsChapters()
{
    QFETCH(QString, anchor);
    const QString text = QString::fromLatin1(QTest::currentDataTag());
    HelpPage page(nullptr);
    auto* browser = requireChild<QTextBrowser>(&page, "textBrowser");

    const QList<Link> links = linksOf(browser->document());
    auto link =
        std::find_if(links.begin(), links.end(), [&](const Link& l) { return l.text == text; });
    QVERIFY2(link != links.end(), qPrintable("no link " + text));
    const QUrl target = browser->source().resolved(QUrl(link->href));
    QCOMPARE(target.fragment(), anchor);
    QCOMPARE(target.path(), "/help/" + manualFile);

    browser->setSource(target);
    QCOMPARE(browser->source().path(), "/help/" + manualFile);
    QVERIFY2(anchorNamesOf(browser->document()).contains(anchor),
             qPrintable("the manual has no anchor " + anchor));
}

void TestHelp::navigationButtons()
{
    HelpPage page(nullptr);
    auto* browser = requireChild<QTextBrowser>(&page, "textBrowser");
    const QUrl index("qrc:/help/index.html");
    const QUrl chapter("qrc:/help/" + manualFile + "#PF");
    browser->setSource(chapter);
    QVERIFY(browser->toPlainText().contains("Pharmacokinetic Formulas"));

    requireChild<QPushButton>(&page, "button_back")->click();
    QCOMPARE(browser->source(), index);
    requireChild<QPushButton>(&page, "button_forward")->click();
    QCOMPARE(browser->source(), chapter);
    requireChild<QPushButton>(&page, "button_home")->click();
    QCOMPARE(browser->source(), index);
    QCOMPARE(browser->documentTitle(), QString("Talvora User Manual"));
}

void TestHelp::searchHighlightsEveryOccurrence_data()
{
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QList<int>>("starts");
    // "alpha beta alpha gamma Alpha alphabet": occurrences at 0, 11, 23 ("Alpha"), 29 ("alphabet").
    QTest::newRow("plain") << false << false << QList<int>{0, 11, 23, 29};
    QTest::newRow("whole word") << true << false << QList<int>{0, 11, 23};
    QTest::newRow("case sensitive") << false << true << QList<int>{0, 11, 29};
    QTest::newRow("both") << true << true << QList<int>{0, 11};
}

void TestHelp::searchHighlightsEveryOccurrence()
{
    QFETCH(bool, wholeWord);
    QFETCH(bool, caseSensitive);
    QFETCH(QList<int>, starts);
    PromptScript prompts;
    Search s;
    // Ticking an option re-runs the search with the word already in the bar.
    s.bar->setText("alpha");
    if (wholeWord)
        requireChild<QCheckBox>(&s.page, "checkBox_wholeWord")->click();
    if (caseSensitive)
        requireChild<QCheckBox>(&s.page, "checkBox_caseSensitive")->click();

    const QList<QTextEdit::ExtraSelection> found = s.browser->extraSelections();
    QList<int> foundStarts;
    for (const QTextEdit::ExtraSelection& match : found) {
        foundStarts.append(match.cursor.selectionStart());
        QCOMPARE(match.cursor.selectedText().toLower(), QString("alpha"));
        QCOMPARE(match.format.background().color(), QColor(Qt::red).lighter(130));
    }
    QCOMPARE(foundStarts, starts);
    QCOMPARE(s.selectionStart(), starts.first());
    QVERIFY(s.browser->textCursor().hasSelection());
    QVERIFY(prompts.take().empty());
}

void TestHelp::findNextWrapsAroundWithNotice()
{
    PromptScript prompts;
    Search s;
    requireChild<QCheckBox>(&s.page, "checkBox_wholeWord")->click();
    s.bar->setText("alpha"); // three whole words: 0, 11, 23
    QCOMPARE(s.selectionStart(), 0);

    s.findNext->click();
    QCOMPARE(s.selectionStart(), 11);
    QCOMPARE(s.repeat->text(), QString());
    s.findNext->click();
    QCOMPARE(s.selectionStart(), 23);
    QCOMPARE(s.repeat->text(), QString());
    s.findNext->click();
    QCOMPARE(s.selectionStart(), 0);
    QCOMPARE(s.repeat->text(), QString("Found the 1st occurrence from the top. \nThe end of the "
                                       "document has been reached."));
    s.findNext->click();
    QCOMPARE(s.selectionStart(), 11);
    QCOMPARE(s.repeat->text(), QString());
    QVERIFY(prompts.take().empty());
}

void TestHelp::newWordStartsFromItsFirstMatch()
{
    PromptScript prompts;
    Search s;
    s.bar->setText("alpha");
    s.findNext->click();
    s.findNext->click();
    QCOMPARE(s.selectionStart(), 23);

    s.bar->setText("gamma beta"); // no occurrence; position must not carry over
    s.bar->setText("beta");
    QCOMPARE(s.selectionStart(), 6);
    s.bar->setText("a");
    QCOMPARE(s.selectionStart(), 0);
    s.findNext->click();
    QCOMPARE(s.selectionStart(), 4); // the last letter of the first "alpha"
    QVERIFY(prompts.take().empty());
}

void TestHelp::clearingTheBarRemovesHighlights()
{
    Search s;
    s.bar->setText("alpha");
    QCOMPARE(s.browser->extraSelections().size(), 4);
    s.bar->clear();
    QVERIFY(s.browser->extraSelections().isEmpty());
    QVERIFY(!s.browser->textCursor().hasSelection());
    QCOMPARE(s.browser->textCursor().position(), 0);
}

void TestHelp::optionWithEmptyBarDoesNothing()
{
    PromptScript prompts;
    Search s;
    requireChild<QCheckBox>(&s.page, "checkBox_wholeWord")->click();
    requireChild<QCheckBox>(&s.page, "checkBox_caseSensitive")->click();
    QVERIFY(s.browser->extraSelections().isEmpty());
    QVERIFY(prompts.take().empty());
}

void TestHelp::findNextRefusals_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty bar") << QString() << QString("Key word cannot be empty.");
    QTest::newRow("no occurrence") << QString("delta") << QString("No match is found.");
}

void TestHelp::findNextRefusals()
{
    QFETCH(QString, word);
    QFETCH(QString, message);
    PromptScript prompts;
    Search s;
    s.bar->setText("alpha");
    s.bar->setText(word);
    s.findNext->click();

    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(records[0].kind, PromptKind::Information);
    QCOMPARE(records[0].title, QString("Information"));
    QCOMPARE(records[0].text, message);
    QVERIFY(s.browser->extraSelections().isEmpty());
    QCOMPARE(s.repeat->text(), QString());
}

void TestHelp::searchFollowsToANewPage()
{
    PromptScript prompts;
    HelpPage page(nullptr);
    auto* browser = requireChild<QTextBrowser>(&page, "textBrowser");
    requireChild<QLineEdit>(&page, "search_bar")->setText("Digoxin");
    const int onIndex = browser->extraSelections().size();
    QVERIFY(onIndex > 0);

    browser->setSource(QUrl("qrc:/help/" + manualFile + "#D"));
    const QList<QTextEdit::ExtraSelection> found = browser->extraSelections();
    QVERIFY(found.size() > onIndex);
    for (const QTextEdit::ExtraSelection& match : found)
        QCOMPARE(match.cursor.selectedText().toLower(), QString("digoxin"));
    requireChild<QPushButton>(&page, "button_search")->click();
    QCOMPARE(browser->textCursor().selectedText().toLower(), QString("digoxin"));
    QCOMPARE(browser->textCursor().selectionStart(), found.at(1).cursor.selectionStart());
    QVERIFY(prompts.take().empty());
}

TALVORA_TEST_MAIN(TestHelp)
#include "tst_help.moc"
