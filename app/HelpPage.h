#pragma once

#include <QDialog>
#include <QList>
#include <QTextEdit>

namespace Ui
{
class HelpPage;
}

// The user manual with back, forward and home navigation and a word search that highlights
// every occurrence and steps through them.
class HelpPage : public QDialog
{
    Q_OBJECT
public:
    explicit HelpPage(QWidget* parent);
    ~HelpPage() override;

    static const char* const homePage;

public slots:
    void on_button_home_clicked();
    void on_button_search_clicked();
    void search_all(QString word);
    void on_checkBox_wholeWord_clicked();
    void on_checkBox_caseSensitive_clicked();

private:
    void clearMatches();
    QTextDocument::FindFlags findFlags() const;
    void searchAgainWithOptions();
    void searchNewPage();

    Ui::HelpPage* m_ui;
    QList<QTextEdit::ExtraSelection> m_matches;
    qint32 m_matchPosition = 0;
};
