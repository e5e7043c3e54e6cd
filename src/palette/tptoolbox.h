#pragma once

// A collection of tools in palette order, and its conversion to and from the bytes of a
// tool-box file. Which rows exist is for a subclass to decide: tools are made through
// addToolWithName(), which this class does not implement. The tools are not owned here (the
// palette list owns the rows); one that is deleted drops out of the collection.

#include "palette/toolrecord.h"
#include "palette/tptool.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

namespace pennova {

class TPToolBox : public QObject
{
    Q_OBJECT
public:
    explicit TPToolBox(QObject *parent = nullptr);

    void addTool(TPTool *tool);
    // The tools still alive, in order.
    QList<TPTool *> tools() const;
    void setTools(const QList<TPTool *> &tools);

    // The tool-box file bytes of the tools' records, in order.
    QByteArray getData() const;
    // Replaces the collection by the tools the bytes describe, in their order, each made by
    // addToolWithName() and given the record's values (which enables those settings). Records
    // whose type makes no tool are skipped. A damaged file changes nothing: false, with why in
    // `error` (a clause).
    bool loadFromData(const QByteArray &data, QString *error = nullptr);
    // The same, from records decoded already.
    void loadRecords(const QList<ToolRecord> &records, int valuesSkipped = 0);

    // Makes a tool of a type code with a name and adds it; null for a code that makes no tool.
    virtual TPTool *addToolWithName(const QString &name, int type);

private:
    QList<QPointer<TPTool>> m_tools;
};

} // namespace pennova
