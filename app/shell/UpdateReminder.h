#pragma once

#include <QDate>
#include <QString>

// The monthly update reminder of a signed-in start: on the first of a month a due check starts;
// on any other day the next month's check is marked due and the welcome page says whether a
// newer version is known.
class UpdateReminder
{
public:
    enum class Action { None, StartCheck, ShowNotice };

    struct Outcome {
        Action action = Action::None;
        bool newerVersionKnown = false; // for ShowNotice
    };

    static Outcome run(const QString& settingsPath, const QDate& today);
};
