#include "platform/MemoryRegistry.h"

QString MemoryRegistry::entryName(const QString& key, const QString& name)
{
    // A line feed cannot occur in a key text, so key and name never run into each other.
    return key.toCaseFolded() + QLatin1Char('\n') + name.toCaseFolded();
}

QString MemoryRegistry::value(const QString& key, const QString& name) const
{
    return m_values.value(entryName(key, name));
}

bool MemoryRegistry::setValue(const QString& key, const QString& name, const QString& value)
{
    if (!m_writable)
        return false;
    m_values.insert(entryName(key, name), value);
    return true;
}

bool MemoryRegistry::contains(const QString& key, const QString& name) const
{
    return m_values.contains(entryName(key, name));
}
