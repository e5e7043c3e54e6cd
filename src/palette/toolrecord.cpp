#include "palette/toolrecord.h"

namespace pennova {

ToolRecord::ToolRecord(const QString &name, int type)
    : m_name(name)
    , m_type(type)
{ }

void ToolRecord::insert(const QString &key, qint32 value)
{
    insertValue(key, QVariant(int(value)));
}

void ToolRecord::insert(const QString &key, const QByteArray &value)
{
    insertValue(key, QVariant(value));
}

void ToolRecord::insertValue(const QString &key, const QVariant &value)
{
    if (!m_values.contains(key))
        m_keys.append(key);
    m_values.insert(key, value);
}

bool ToolRecord::operator==(const ToolRecord &other) const
{
    return m_name == other.m_name && m_type == other.m_type && m_keys == other.m_keys
        && m_values == other.m_values;
}

} // namespace pennova
