#pragma once

// The rows of the key command reference: the key or gesture on the left, what it does on the
// right, with empty spacer rows between groups. Filled once at construction, with the selection
// key in force; the rows never change afterwards. Columns are told apart by identifier: "key"
// (shown in a monospace font, centred) and "command".

#include "settings/gesturekeys.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>

namespace pennova {

class KeyCommandData : public QAbstractTableModel
{
    Q_OBJECT
public:
    // headerData() answers a column's identifier for this role.
    static constexpr int ColumnIdentifierRole = Qt::UserRole + 1;
    enum Column
    {
        KeyColumn = 0,
        CommandColumn = 1,
    };

    // With the factory keys.
    explicit KeyCommandData(QObject *parent = nullptr);
    explicit KeyCommandData(const GestureKeys &keys, QObject *parent = nullptr);

    void addCommand(const QString &command, const QString &key);
    void addSpacer();

    // "key" or "command"; an empty string for any other column.
    static QString columnIdentifier(int column);
    // The value of a row in the column with that identifier: for "key" the key text, styled
    // through keyFont() and centred alignment; for any other identifier the command text, plain.
    QVariant objectValue(const QString &identifier, int row, int role = Qt::DisplayRole) const;
    // Courier 12 pt (any monospace face where Courier is missing).
    static QFont keyFont();

    QString keyAt(int row) const { return m_keys.value(row); }
    QString commandAt(int row) const { return m_commands.value(row); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void appendRow(const QString &key, const QString &command);

    // Always of equal length: row i is m_keys[i] and m_commands[i].
    QStringList m_keys;
    QStringList m_commands;
};

} // namespace pennova
