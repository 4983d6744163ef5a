#pragma once

#include "platform/SettingsKeys.h"

#include <QString>

// The one road to the INI settings file. Every call opens the file anew, so a change made by
// another window or program is seen by the next read. Group and key names match without regard
// to letter case ("Config/LogInMode" and "Config/logInMode" are one key); values are exact.
class SettingsFile
{
public:
    explicit SettingsFile(const QString& path);

    QString path() const { return m_path; }

    QString value(const QString& key, const QString& defaultValue = QString()) const;
    // The setting's value, its fallback when the file does not hold it.
    QString read(const SettingsKeys::Setting& setting) const;
    // A present key reads as false when its text is empty, "0" or "false" in any letter case.
    bool boolValue(const QString& key, bool defaultValue) const;
    bool contains(const QString& key) const;
    // Why the existing file cannot be read as settings (a folder, no read access, lines that
    // are not settings); empty when it can. Reads of such a file give every key's default.
    QString readProblem() const;

    // False when the value did not reach the file; lastError() then says why and the file and
    // later reads keep the previous value.
    bool setValue(const QString& key, const QString& value);
    // As above, except that a missing key whose default is `value` stays missing: a reader sees
    // the same either way, while a write rewrites the whole file (its comments and order go).
    bool setValue(const SettingsKeys::Setting& setting, const QString& value);
    // Why the last setValue failed; empty after a successful one.
    QString lastError() const { return m_lastError; }

    static bool textAsBool(const QString& text);

private:
    bool fail(const QString& message);
    QString writeRefusal() const;

    QString m_path;
    QString m_lastError;
};
