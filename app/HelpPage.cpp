#include "app/HelpPage.h"

#include "platform/MessageBox.h"
#include "ui_HelpPage.h"

#include <QPalette>
#include <QScrollBar>
#include <QUrl>

namespace
{
// Found words are painted in this colour; the one "Find Next" selected shows in the selection
// colour of the browser, which the constructor makes green so the two can be told apart.
QColor matchColour()
{
    return QColor(Qt::red).lighter(130);
}
} // namespace

const char* const HelpPage::homePage = "qrc:/help/index.html";

HelpPage::HelpPage(QWidget* parent) : QDialog(parent), m_ui(new Ui::HelpPage)
{
    m_ui->setupUi(this);

    QPalette palette = m_ui->textBrowser->palette();
    palette.setBrush(QPalette::Active, QPalette::Highlight, QBrush(Qt::green));
    palette.setBrush(QPalette::Inactive, QPalette::Highlight, QBrush(Qt::green));
    m_ui->textBrowser->setPalette(palette);

    m_matchPosition = 0;
    connect(m_ui->button_back, &QPushButton::clicked, m_ui->textBrowser, &QTextBrowser::backward);
    connect(m_ui->button_forward, &QPushButton::clicked, m_ui->textBrowser, &QTextBrowser::forward);
    connect(m_ui->search_bar, &QLineEdit::textChanged, this, &HelpPage::search_all);
    connect(m_ui->textBrowser, &QTextBrowser::sourceChanged, this, &HelpPage::searchNewPage);
    setWindowTitle(tr("Talvora Help"));
}

HelpPage::~HelpPage()
{
    delete m_ui;
}

void HelpPage::on_button_home_clicked()
{
    m_ui->textBrowser->setSource(QUrl(QString::fromLatin1(homePage)));
}

void HelpPage::on_button_search_clicked()
{
    if (m_ui->search_bar->text().isEmpty()) {
        MessageBox::information(nullptr, tr("Information"), tr("Key word cannot be empty."));
        return;
    }
    if (m_matches.isEmpty()) {
        MessageBox::information(nullptr, tr("Information"), tr("No match is found."));
        return;
    }
    ++m_matchPosition;
    if (m_matchPosition >= m_matches.size()) {
        m_matchPosition = 0;
        m_ui->textBrowser->setTextCursor(m_matches.first().cursor);
        m_ui->label_searchRepeat->setText(tr(
            "Found the 1st occurrence from the top. \nThe end of the document has been reached."));
        return;
    }
    m_ui->textBrowser->setTextCursor(m_matches.at(m_matchPosition).cursor);
    m_ui->label_searchRepeat->clear();
}

void HelpPage::search_all(QString word)
{
    clearMatches();
    if (word.isEmpty())
        return;

    QTextCharFormat format;
    format.setBackground(QBrush(matchColour()));
    const QTextDocument::FindFlags flags = findFlags();
    QTextBrowser* browser = m_ui->textBrowser;
    while (browser->find(word, flags)) {
        QTextEdit::ExtraSelection match;
        match.cursor = browser->textCursor();
        match.format = format;
        m_matches.append(match);
    }
    if (m_matches.isEmpty())
        return;
    browser->setExtraSelections(m_matches);
    browser->setTextCursor(m_matches.first().cursor);
}

void HelpPage::on_checkBox_wholeWord_clicked()
{
    searchAgainWithOptions();
}

void HelpPage::on_checkBox_caseSensitive_clicked()
{
    searchAgainWithOptions();
}

void HelpPage::searchNewPage()
{
    // The matches point into the page that was replaced, where "Find Next" would select nothing;
    // find the word again on this page and leave the view where the navigation put it.
    const QString word = m_ui->search_bar->text();
    if (word.isEmpty())
        return;
    QScrollBar* scrollBar = m_ui->textBrowser->verticalScrollBar();
    const int shown = scrollBar->value();
    search_all(word);
    scrollBar->setValue(shown);
    m_ui->label_searchRepeat->clear();
}

void HelpPage::clearMatches()
{
    m_matches.clear();
    m_ui->textBrowser->setExtraSelections(m_matches);
    m_ui->textBrowser->moveCursor(QTextCursor::Start);
    m_matchPosition = 0;
}

QTextDocument::FindFlags HelpPage::findFlags() const
{
    QTextDocument::FindFlags flags;
    if (m_ui->checkBox_caseSensitive->isChecked())
        flags |= QTextDocument::FindCaseSensitively;
    if (m_ui->checkBox_wholeWord->isChecked())
        flags |= QTextDocument::FindWholeWords;
    return flags;
}

void HelpPage::searchAgainWithOptions()
{
    const QString word = m_ui->search_bar->text();
    if (!word.isEmpty())
        search_all(word);
}
