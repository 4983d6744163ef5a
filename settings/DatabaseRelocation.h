#pragma once

#include "platform/MessageBox.h"

#include <QString>

class ProgramConfig;

// What a database path change did, and the box that tells the user.
struct RelocationOutcome {
    // The settings file, the configuration and the default connection now name the new path.
    bool changed = false;
    PromptKind kind = PromptKind::Information;
    QString title;
    QString text;
};

// Points the program at another case database file: switches to an existing one, or moves the
// current file to a new place. Each step is checked before the next, and the settings are
// written only once the new file has proved to be a case database that opens with the key, so
// a failure at any point leaves the previous database in place and in use.
class DatabaseRelocation
{
public:
    explicit DatabaseRelocation(ProgramConfig* config);

    RelocationOutcome switchTo(const QString& path);
    RelocationOutcome moveTo(const QString& path);

private:
    bool writeSettingsPath(const QString& path, QString* error);
    // Puts back the previous path after a later step failed; best effort.
    void restoreSettingsPath(const QString& previous);
    void discardCopy(const QString& copyPath, const QString& original);

    ProgramConfig* m_config;
};
