#include "palette/tptoolbox.h"

#include "palette/toolboxfile.h"
#include "palette/tptool.h"

#include <QtDebug>

namespace pennova {

TPToolBox::TPToolBox(QObject *parent)
    : QObject(parent)
{
    m_tools.reserve(10);
}

void TPToolBox::addTool(TPTool *tool)
{
    if (tool)
        m_tools.append(tool);
}

QList<TPTool *> TPToolBox::tools() const
{
    QList<TPTool *> alive;
    for (const QPointer<TPTool> &tool : m_tools) {
        if (tool)
            alive.append(tool);
    }
    return alive;
}

void TPToolBox::setTools(const QList<TPTool *> &tools)
{
    m_tools.clear();
    for (TPTool *tool : tools)
        addTool(tool);
}

QByteArray TPToolBox::getData() const
{
    QList<ToolRecord> records;
    for (const TPTool *tool : tools())
        records.append(tool->dictRepresentation());
    return toolboxfile::encode(records);
}

bool TPToolBox::loadFromData(const QByteArray &data, QString *error)
{
    const toolboxfile::Decoded decoded = toolboxfile::decode(data);
    if (!decoded.ok) {
        if (error)
            *error = decoded.error;
        return false;
    }
    loadRecords(decoded.records, decoded.valuesSkipped);
    return true;
}

void TPToolBox::loadRecords(const QList<ToolRecord> &records, int valuesSkipped)
{
    m_tools.clear();
    int skippedRecords = 0;
    for (const ToolRecord &record : records) {
        TPTool *tool = addToolWithName(record.name(), record.type());
        if (!tool) {
            ++skippedRecords;
            continue;
        }
        for (const QString &key : record.keys())
            tool->setObject(record.value(key), key);
    }
    if (skippedRecords > 0 || valuesSkipped > 0) {
        qWarning(
            "Tool box: %d record(s) of unknown type and %d value(s) of the wrong kind skipped.",
            skippedRecords, valuesSkipped);
    }
}

TPTool *TPToolBox::addToolWithName(const QString &, int)
{
    return nullptr;
}

} // namespace pennova
