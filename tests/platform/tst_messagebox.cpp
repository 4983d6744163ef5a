#include "platform/MessageBox.h"
#include "tests/support/PromptScript.h"
#include "tests/support/TestMain.h"

#include <QDialog>
#include <QLineEdit>

class TestMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void recordsEveryKind();
    void questionsTakeQueuedAnswersInOrder();
    void unqueuedQuestionIsReportedNotBlocking();
    void modalHandlerFillsTheDialog();
    void unqueuedModalIsRejectedAndReported();
    void fileDialogPaths();
};

void TestMessageBox::recordsEveryKind()
{
    PromptScript prompts;
    MessageBox::information(nullptr, "Error", "first");
    MessageBox::about(nullptr, "Information", "second");
    MessageBox::critical(nullptr, "Critical", "third");
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(3));
    QCOMPARE(records[0].kind, PromptKind::Information);
    QCOMPARE(records[0].title, QString("Error"));
    QCOMPARE(records[0].text, QString("first"));
    QCOMPARE(records[1].kind, PromptKind::About);
    QCOMPARE(records[2].kind, PromptKind::Critical);
    QVERIFY(prompts.take().empty());
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMessageBox::questionsTakeQueuedAnswersInOrder()
{
    PromptScript prompts;
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Discard);
    QCOMPARE(MessageBox::question(nullptr, "Q", "sure?"), QMessageBox::Yes);
    QCOMPARE(MessageBox::saveDiscardCancel(nullptr, "Save", "save?"), QMessageBox::Discard);
    const auto records = prompts.take();
    QCOMPARE(records.size(), size_t(2));
    QCOMPARE(records[1].kind, PromptKind::SaveDiscardCancel);
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMessageBox::unqueuedQuestionIsReportedNotBlocking()
{
    PromptScript prompts;
    QCOMPARE(MessageBox::question(nullptr, "Q", "sure?"), QMessageBox::No);
    QCOMPARE(MessageBox::saveDiscardCancel(nullptr, "S", "save?"), QMessageBox::Cancel);
    QCOMPARE(prompts.unexpected().size(), 2);
}

void TestMessageBox::modalHandlerFillsTheDialog()
{
    PromptScript prompts;
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    Modal::setNextHandler([edit](QDialog*) {
        edit->setText("typed");
        return int(QDialog::Accepted);
    });
    QCOMPARE(Modal::exec(&dialog), int(QDialog::Accepted));
    QCOMPARE(edit->text(), QString("typed"));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    VERIFY_NO_UNEXPECTED_PROMPTS(prompts);
}

void TestMessageBox::unqueuedModalIsRejectedAndReported()
{
    PromptScript prompts;
    QDialog dialog;
    dialog.setWindowTitle("Log In");
    QCOMPARE(Modal::exec(&dialog), int(QDialog::Rejected));
    const QStringList missed = prompts.unexpected();
    QCOMPARE(missed.size(), 1);
    QVERIFY(missed.first().contains("Log In"));
}

void TestMessageBox::fileDialogPaths()
{
    PromptScript prompts;
    FileDialog::setNextPath("/tmp/a.db");
    QCOMPARE(FileDialog::getOpenFileName(nullptr, "Open"), QString("/tmp/a.db"));
    QCOMPARE(FileDialog::getSaveFileName(nullptr, "Save"), QString());
    QCOMPARE(prompts.unexpected().size(), 1);
}

TALVORA_TEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
