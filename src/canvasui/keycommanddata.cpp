#include "canvasui/keycommanddata.h"

namespace pennova {

namespace {
    const QString kKeyIdentifier = QStringLiteral("key");
    const QString kCommandIdentifier = QStringLiteral("command");
} // namespace

KeyCommandData::KeyCommandData(QObject *parent)
    : KeyCommandData(GestureKeys(), parent)
{ }

KeyCommandData::KeyCommandData(const GestureKeys &keys, QObject *parent)
    : QAbstractTableModel(parent)
{
    m_keys.reserve(19);
    m_commands.reserve(19);

    addCommand(tr("Decrease brush size by 1 pixel"), QStringLiteral("["));
    addCommand(tr("Increase brush size by 1 pixel"), QStringLiteral("]"));
    addCommand(tr("Decrease brush size by 5 pixels"), QStringLiteral("Shift + ["));
    addCommand(tr("Increase brush size by 5 pixels"), QStringLiteral("Shift + ]"));
    addSpacer();
    addCommand(tr("Zoom in"), tr("Shift + Drag Up"));
    addCommand(tr("Zoom out"), tr("Shift + Drag Down"));
    addCommand(tr("Zoom to 100%"), tr("0 (Zero)"));
    addCommand(tr("Move canvas"), tr("Space + Drag"));
    addSpacer();
    addCommand(tr("Turn \"ink\" mode on or off"), QStringLiteral("I"));
    addCommand(tr("Pick a color from the screen"), QStringLiteral("P"));
    addCommand(tr("Show the color picker"), QStringLiteral("C"));
    addCommand(tr("Seal Canvas"), QStringLiteral("E"));
    addCommand(tr("Unseal Canvas"), QStringLiteral("Shift + E"));
    addSpacer();
    // Ctrl at the factory, or the key the settings give it.
    const QString select = keys.binding(Gesture::Select).displayText();
    addCommand(tr("Make/modify selection"), tr("%1 + Drag").arg(select));
    addCommand(tr("Resize selection proportionally"), tr("%1 + Shift + Drag").arg(select));
    addCommand(tr("Erase selection"), tr("Delete"));
}

void KeyCommandData::addCommand(const QString &command, const QString &key)
{
    appendRow(key, command);
}

void KeyCommandData::addSpacer()
{
    appendRow(QString(), QString());
}

void KeyCommandData::appendRow(const QString &key, const QString &command)
{
    const int row = int(m_keys.size());
    beginInsertRows(QModelIndex(), row, row);
    m_keys.append(key);
    m_commands.append(command);
    endInsertRows();
}

QString KeyCommandData::columnIdentifier(int column)
{
    switch (column) {
    case KeyColumn:
        return kKeyIdentifier;
    case CommandColumn:
        return kCommandIdentifier;
    default:
        return QString();
    }
}

QFont KeyCommandData::keyFont()
{
    QFont font(QStringLiteral("Courier"), 12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QVariant KeyCommandData::objectValue(const QString &identifier, int row, int role) const
{
    if (row < 0 || row >= int(m_keys.size()))
        return QVariant();
    if (identifier == kKeyIdentifier) {
        switch (role) {
        case Qt::DisplayRole:
            return m_keys[row];
        case Qt::FontRole:
            return keyFont();
        case Qt::TextAlignmentRole:
            // As an int: the item delegates read the alignment with toInt().
            return int(Qt::AlignCenter);
        default:
            return QVariant();
        }
    }
    return role == Qt::DisplayRole ? QVariant(m_commands[row]) : QVariant();
}

int KeyCommandData::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

int KeyCommandData::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant KeyCommandData::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    return objectValue(columnIdentifier(index.column()), index.row(), role);
}

QVariant KeyCommandData::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == ColumnIdentifierRole)
        return columnIdentifier(section);
    if (role == Qt::DisplayRole) {
        switch (section) {
        case KeyColumn:
            return tr("Key");
        case CommandColumn:
            return tr("Command");
        default:
            break;
        }
    }
    return QVariant();
}

Qt::ItemFlags KeyCommandData::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

} // namespace pennova
