#pragma once

#include "platform/SystemRegistry.h"

#include <QHash>

// A registry held in memory, for tests: install it with SystemRegistry::setInstance.
class MemoryRegistry : public SystemRegistry
{
public:
    QString value(const QString& key, const QString& name) const override;
    bool setValue(const QString& key, const QString& name, const QString& value) override;

    bool contains(const QString& key, const QString& name) const;
    // While false, every write fails and stores nothing.
    void setWritable(bool writable) { m_writable = writable; }
    int size() const { return m_values.size(); }

private:
    static QString entryName(const QString& key, const QString& name);

    QHash<QString, QString> m_values;
    bool m_writable = true;
};
