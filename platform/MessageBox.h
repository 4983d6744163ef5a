#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QDialog;
class QWidget;

// Every message box, question, file dialog and modal dialog of the program goes through these
// classes. In production they show the real thing; a test installs a script that records each
// prompt and answers from a queue, so no window test ever blocks on a dialog.

enum class PromptKind { Information, About, Critical, Warning, Question, SaveDiscardCancel };

struct PromptRecord {
    PromptKind kind;
    QString title;
    QString text;
};

class MessageBox
{
public:
    static void information(QWidget* parent, const QString& title, const QString& text);
    static void about(QWidget* parent, const QString& title, const QString& text);
    static void critical(QWidget* parent, const QString& title, const QString& text);
    static void warning(QWidget* parent, const QString& title, const QString& text);
    // Yes/No question; returns QMessageBox::Yes or QMessageBox::No.
    static QMessageBox::StandardButton
    question(QWidget* parent, const QString& title, const QString& text,
             QMessageBox::StandardButton defaultButton = QMessageBox::No,
             QMessageBox::Icon icon = QMessageBox::Question);
    // Save / "Don't save" / Cancel; returns Save, Discard or Cancel.
    static QMessageBox::StandardButton saveDiscardCancel(QWidget* parent, const QString& title,
                                                         const QString& text);

    // --- scripting for tests ---
    static void beginScript();
    static void endScript();
    static bool scripted();
    static void setNextAnswer(QMessageBox::StandardButton answer);
    // Runs while each scripted box is open, as the event loop runs while a user reads a box.
    static void setWhileShown(std::function<void()> wait);
    static std::vector<PromptRecord> takeRecords();
    // Questions that arrived with no queued answer; a test fails when this is not empty.
    static QStringList takeUnexpected();
};

class Modal
{
public:
    // Runs the dialog modally; a test script decides the result instead.
    static int exec(QDialog* dialog);

    using Handler = std::function<int(QDialog*)>;
    static void setNextHandler(Handler handler);
    static void setNextResult(int result);
};

class FileDialog
{
public:
    static QString getOpenFileName(QWidget* parent, const QString& caption,
                                   const QString& dir = QString(),
                                   const QString& filter = QString());
    static QString getSaveFileName(QWidget* parent, const QString& caption,
                                   const QString& dir = QString(),
                                   const QString& filter = QString(),
                                   QFileDialog::Options options = QFileDialog::Options());
    static QString getExistingDirectory(QWidget* parent, const QString& caption,
                                        const QString& dir = QString());
    static void setNextPath(const QString& path);
};
