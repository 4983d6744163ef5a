#include "platform/SettingsFile.h"

#include "platform/PathAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTextCodec>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <memory>

namespace
{
constexpr char iniCodec[] = "UTF-8";
constexpr QChar keySeparator(u'/');
constexpr QChar listSeparator(u',');

QString translate(const char* text)
{
    return QCoreApplication::translate("SettingsFile", text);
}

std::unique_ptr<QSettings> openSettings(const QString& path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec(iniCodec);
    return settings;
}

QString normalizedKey(const QString& key)
{
    return key.split(keySeparator, Qt::SkipEmptyParts).join(keySeparator);
}

// Every stored spelling of the key, the exact one first.
QStringList storedSpellings(const QSettings& settings, const QString& key)
{
    const QString wanted = normalizedKey(key);
    QStringList spellings;
    for (const QString& stored : settings.allKeys()) {
        if (stored == wanted)
            spellings.prepend(stored);
        else if (stored.compare(wanted, Qt::CaseInsensitive) == 0)
            spellings.append(stored);
    }
    return spellings;
}

// A new key goes into the groups that already exist under another spelling, so one section
// never appears twice in the file.
QString spellingForNewKey(QSettings& settings, const QString& key)
{
    QStringList parts = normalizedKey(key).split(keySeparator);
    for (int i = 0; i + 1 < parts.size(); ++i) {
        QString chosen;
        for (const QString& group : settings.childGroups()) {
            if (group == parts[i]) {
                chosen = group;
                break;
            }
            if (chosen.isEmpty() && group.compare(parts[i], Qt::CaseInsensitive) == 0)
                chosen = group;
        }
        if (!chosen.isEmpty())
            parts[i] = chosen;
        settings.beginGroup(parts[i]);
    }
    for (int i = 0; i + 1 < parts.size(); ++i)
        settings.endGroup();
    return parts.join(keySeparator);
}

// A line a settings file can hold: blank, a comment, a [section] or a key=value pair.
bool isSettingsLine(const QString& line)
{
    const QString text = line.trimmed();
    return text.isEmpty() || text.startsWith(QLatin1Char(';')) ||
           text.startsWith(QLatin1Char('#')) ||
           (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']'))) ||
           text.contains(QLatin1Char('='));
}

// QSettings reads almost any bytes without complaint (a line without "=" becomes a key), so a
// file that is not a settings file would be rewritten with its content turned into keys.
bool parsesAsSettings(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        return false;
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForName(iniCodec)->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0)
        return false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    return std::all_of(lines.begin(), lines.end(), isSettingsLine);
}

// An unquoted value with commas is parsed as a list; give back the text that was written.
QString storedText(const QVariant& stored)
{
    if (stored.type() == QVariant::StringList)
        return stored.toStringList().join(listSeparator);
    return stored.toString();
}
} // namespace

SettingsFile::SettingsFile(const QString& path) : m_path(path) {}

QString SettingsFile::value(const QString& key, const QString& defaultValue) const
{
    if (m_path.isEmpty())
        return defaultValue;
    const auto settings = openSettings(m_path);
    const QStringList spellings = storedSpellings(*settings, key);
    if (spellings.isEmpty())
        return defaultValue;
    return storedText(settings->value(spellings.first()));
}

QString SettingsFile::read(const SettingsKeys::Setting& setting) const
{
    return value(QLatin1String(setting.key), QLatin1String(setting.fallback));
}

bool SettingsFile::boolValue(const QString& key, bool defaultValue) const
{
    if (!contains(key))
        return defaultValue;
    return textAsBool(value(key));
}

bool SettingsFile::contains(const QString& key) const
{
    if (m_path.isEmpty())
        return false;
    return !storedSpellings(*openSettings(m_path), key).isEmpty();
}

QString SettingsFile::readProblem() const
{
    if (const PathAccess access = checkReadAccess(m_path); !access.problem.isEmpty())
        return access.problem;
    if (!parsesAsSettings(m_path) || openSettings(m_path)->status() != QSettings::NoError)
        return translate("it holds text that is not settings");
    return QString();
}

bool SettingsFile::textAsBool(const QString& text)
{
    return !(text.isEmpty() || text == QLatin1String("0") ||
             text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
}

bool SettingsFile::setValue(const QString& key, const QString& value)
{
    m_lastError.clear();
    const QString refusal = writeRefusal();
    if (!refusal.isEmpty())
        return fail(refusal);

    const bool existed = QFileInfo::exists(m_path);
    const auto settings = openSettings(m_path);
    // Rewriting a file that did not parse would drop whatever could not be read.
    if (settings->status() == QSettings::FormatError) {
        return fail(translate("The settings file %1 holds a line that cannot be read; correct "
                              "it before settings are changed.")
                        .arg(m_path));
    }

    const QStringList spellings = storedSpellings(*settings, key);
    // Every write rewrites the whole file (dropping comments and order); an unchanged value is
    // left alone.
    if (spellings.size() == 1 && storedText(settings->value(spellings.first())) == value)
        return true;
    QVector<QPair<QString, QVariant>> previous;
    for (const QString& spelling : spellings)
        previous.append({spelling, settings->value(spelling)});

    const QString target =
        spellings.isEmpty() ? spellingForNewKey(*settings, key) : spellings.first();
    for (int i = 1; i < spellings.size(); ++i)
        settings->remove(spellings[i]);
    settings->setValue(target, value);
    settings->sync();
    if (settings->status() == QSettings::NoError) {
        // The file names the database and the site's choices: it is the user's alone.
        if (!existed)
            QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return true;
    }

    // Qt keeps unwritten changes of a file in memory and would show them to the next reader in
    // this process; put back what the file holds.
    if (spellings.isEmpty())
        settings->remove(target);
    for (const auto& entry : previous)
        settings->setValue(entry.first, entry.second);
    return fail(translate("The settings file %1 could not be written.").arg(m_path));
}

bool SettingsFile::setValue(const SettingsKeys::Setting& setting, const QString& value)
{
    const QString key = QLatin1String(setting.key);
    if (value == QLatin1String(setting.fallback) && !contains(key)) {
        m_lastError.clear();
        return true;
    }
    return setValue(key, value);
}

// Reasons known before writing. Checking them first also keeps Qt from holding on to a
// change that never reached the file.
QString SettingsFile::writeRefusal() const
{
    if (m_path.isEmpty())
        return translate("No settings file is configured.");
    const QFileInfo file(m_path);
    if (!file.exists())
        return QString();
    if (!file.isFile())
        return translate("The settings file %1 is not a file.").arg(m_path);
    // The file's own write bits count even for a user who could override them.
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!(file.permissions() & anyWrite) || !file.isWritable())
        return translate("The settings file %1 is read-only.").arg(m_path);
    if (!QFileInfo(file.absolutePath()).isWritable())
        return translate("The folder of the settings file %1 cannot be written.").arg(m_path);
    if (!parsesAsSettings(m_path))
        return translate("The settings file %1 is not a settings file; it is left as it is.")
            .arg(m_path);
    return QString();
}

bool SettingsFile::fail(const QString& message)
{
    m_lastError = message;
    return false;
}
