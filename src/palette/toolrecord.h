#pragma once

// The record of one tool: its name, its type code and the values of its enabled settings, keyed
// by setting key, with the keys in the tool's display order. A tool row gives it out
// (TPTool::dictRepresentation), the tool-box file stores one per tool, and choosing a tool writes
// its values into the settings store. Values are 32-bit integers (sizes, strength, ink as 0 or 1)
// or the bytes of a ColorArchive ("clr").

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pennova {

class ToolRecord
{
public:
    // The record's own entries beside the setting keys, as the tool-box file names them.
    static inline const QString kNameKey = QStringLiteral("ToolName");
    static inline const QString kTypeKey = QStringLiteral("ToolType");
    static inline const QString kKeysKey = QStringLiteral("keys");

    // Tool type codes; no other code makes a tool.
    static constexpr int kPenType = 1;
    static constexpr int kEraserType = 2;

    ToolRecord() = default;
    ToolRecord(const QString &name, int type);

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    int type() const { return m_type; }
    void setType(int type) { m_type = type; }

    // The keys of the values held, in the order they were first inserted.
    const QStringList &keys() const { return m_keys; }
    bool contains(const QString &key) const { return m_values.contains(key); }
    // An int or a QByteArray; invalid when the record has no value for the key.
    QVariant value(const QString &key) const { return m_values.value(key); }

    // Adds the key at the end, or replaces its value where it already is.
    void insert(const QString &key, qint32 value);
    void insert(const QString &key, const QByteArray &value);

    bool operator==(const ToolRecord &other) const;
    bool operator!=(const ToolRecord &other) const { return !(*this == other); }

private:
    void insertValue(const QString &key, const QVariant &value);

    QString m_name;
    int m_type = 0;
    QStringList m_keys;
    QHash<QString, QVariant> m_values;
};

} // namespace pennova
