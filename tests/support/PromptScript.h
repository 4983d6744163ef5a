#pragma once

#include "platform/MessageBox.h"

#include <QtTest>

// The boxes as "title|text", one box a line: one string to compare or to print on failure.
inline QString shownText(const std::vector<PromptRecord>& records)
{
    QStringList list;
    for (const PromptRecord& record : records)
        list << record.title + QLatin1Char('|') + record.text;
    return list.join(QLatin1Char('\n'));
}

// Scripted prompts for one test: every box is recorded, questions take queued answers, and a
// prompt nobody queued an answer for fails the test when the script ends.
class PromptScript
{
public:
    PromptScript() { MessageBox::beginScript(); }
    ~PromptScript() { MessageBox::endScript(); }
    PromptScript(const PromptScript&) = delete;
    PromptScript& operator=(const PromptScript&) = delete;

    // Titles and texts of the boxes shown since the last call, in order.
    std::vector<PromptRecord> take() { return MessageBox::takeRecords(); }
    // The boxes shown since the last call, as shownText writes them.
    QString takeShown() { return shownText(take()); }
    QStringList unexpected() { return MessageBox::takeUnexpected(); }
    // Each box stays open this long with its event loop running, as while a user reads it.
    void holdEachBox(int milliseconds)
    {
        MessageBox::setWhileShown([milliseconds] {
            QEventLoop loop;
            QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
            loop.exec();
        });
    }
};

// Use at the end of a test function that holds a PromptScript named `prompts`.
#define VERIFY_NO_UNEXPECTED_PROMPTS(prompts)                                                      \
    do {                                                                                           \
        const QStringList missed = (prompts).unexpected();                                         \
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(QLatin1Char('\n'))));                    \
    } while (false)
