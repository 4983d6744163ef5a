#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>

#include <deque>

namespace
{

struct Script {
    bool active = false;
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<Modal::Handler> modalHandlers;
    std::deque<QString> paths;
    std::vector<PromptRecord> records;
    QStringList unexpected;
    std::function<void()> whileShown;
};

Script& script()
{
    static Script s;
    return s;
}

QString describe(const QString& what, const QString& title, const QString& text)
{
    return QStringLiteral("%1 \"%2\": %3").arg(what, title, text);
}

void record(PromptKind kind, const QString& title, const QString& text)
{
    script().records.push_back({kind, title, text});
    if (script().whileShown)
        script().whileShown();
}

QMessageBox::StandardButton scriptedAnswer(PromptKind kind, const QString& title,
                                           const QString& text,
                                           QMessageBox::StandardButton fallback)
{
    record(kind, title, text);
    if (script().answers.empty()) {
        script().unexpected << describe(QStringLiteral("question"), title, text);
        return fallback;
    }
    const QMessageBox::StandardButton answer = script().answers.front();
    script().answers.pop_front();
    return answer;
}

QString scriptedPath(const QString& caption)
{
    if (script().paths.empty()) {
        script().unexpected << describe(QStringLiteral("file dialog"), caption, QString());
        return QString();
    }
    const QString path = script().paths.front();
    script().paths.pop_front();
    return path;
}

} // namespace

void MessageBox::information(QWidget* parent, const QString& title, const QString& text)
{
    if (scripted())
        return record(PromptKind::Information, title, text);
    QMessageBox::information(parent, title, text);
}

void MessageBox::about(QWidget* parent, const QString& title, const QString& text)
{
    if (scripted())
        return record(PromptKind::About, title, text);
    QMessageBox::about(parent, title, text);
}

void MessageBox::critical(QWidget* parent, const QString& title, const QString& text)
{
    if (scripted())
        return record(PromptKind::Critical, title, text);
    QMessageBox::critical(parent, title, text);
}

void MessageBox::warning(QWidget* parent, const QString& title, const QString& text)
{
    if (scripted())
        return record(PromptKind::Warning, title, text);
    QMessageBox::warning(parent, title, text);
}

QMessageBox::StandardButton MessageBox::question(QWidget* parent, const QString& title,
                                                 const QString& text,
                                                 QMessageBox::StandardButton defaultButton,
                                                 QMessageBox::Icon icon)
{
    if (scripted())
        return scriptedAnswer(PromptKind::Question, title, text, QMessageBox::No);
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton MessageBox::saveDiscardCancel(QWidget* parent, const QString& title,
                                                          const QString& text)
{
    if (scripted())
        return scriptedAnswer(PromptKind::SaveDiscardCancel, title, text, QMessageBox::Cancel);
    QMessageBox box(QMessageBox::Warning, title, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setButtonText(QMessageBox::Discard,
                      QCoreApplication::translate("MessageBox", "Don't save"));
    box.setDefaultButton(QMessageBox::Save);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageBox::beginScript()
{
    script() = Script();
    script().active = true;
}

void MessageBox::endScript()
{
    script() = Script();
}

bool MessageBox::scripted()
{
    return script().active;
}

void MessageBox::setWhileShown(std::function<void()> wait)
{
    script().whileShown = std::move(wait);
}

void MessageBox::setNextAnswer(QMessageBox::StandardButton answer)
{
    script().answers.push_back(answer);
}

std::vector<PromptRecord> MessageBox::takeRecords()
{
    std::vector<PromptRecord> taken;
    taken.swap(script().records);
    return taken;
}

QStringList MessageBox::takeUnexpected()
{
    QStringList taken;
    taken.swap(script().unexpected);
    return taken;
}

int Modal::exec(QDialog* dialog)
{
    if (!MessageBox::scripted())
        return dialog->exec();
    if (script().modalHandlers.empty()) {
        script().unexpected << describe(QStringLiteral("modal dialog"), dialog->windowTitle(),
                                        dialog->objectName());
        return QDialog::Rejected;
    }
    Handler handler = script().modalHandlers.front();
    script().modalHandlers.pop_front();
    const int result = handler(dialog);
    dialog->setResult(result);
    return result;
}

void Modal::setNextHandler(Handler handler)
{
    script().modalHandlers.push_back(std::move(handler));
}

void Modal::setNextResult(int result)
{
    setNextHandler([result](QDialog*) { return result; });
}

QString FileDialog::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    if (MessageBox::scripted())
        return scriptedPath(caption);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter, QFileDialog::Options options)
{
    if (MessageBox::scripted())
        return scriptedPath(caption);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr, options);
}

QString FileDialog::getExistingDirectory(QWidget* parent, const QString& caption,
                                         const QString& dir)
{
    if (MessageBox::scripted())
        return scriptedPath(caption);
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

void FileDialog::setNextPath(const QString& path)
{
    script().paths.push_back(path);
}
