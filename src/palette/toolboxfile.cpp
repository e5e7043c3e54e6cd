#include "palette/toolboxfile.h"

#include "canvas/atomicfile.h"
#include "settings/colorarchive.h"
#include "settings/defaultskeys.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QCborValue>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace pennova::toolboxfile {

namespace {

    bool isIntegerKey(const QString &key)
    {
        return key == keys::BrushSizeMin || key == keys::BrushSize || key == keys::EraserSize
            || key == keys::EraserStrength || key == keys::Ink;
    }

    qint32 saturated(qint64 value)
    {
        return qint32(std::clamp<qint64>(
            value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    }

    // Integers as they are (held within 32 bits); true and false as 1 and 0; a finite decimal,
    // which a hand-made file may hold, by its whole part.
    std::optional<qint32> integerFrom(const QCborValue &value)
    {
        if (value.isInteger())
            return saturated(value.toInteger());
        if (value.isBool())
            return value.toBool() ? 1 : 0;
        if (value.isDouble() && std::isfinite(value.toDouble())) {
            const double whole = std::trunc(value.toDouble());
            return qint32(std::clamp(whole, double(std::numeric_limits<qint32>::min()),
                double(std::numeric_limits<qint32>::max())));
        }
        return std::nullopt;
    }

    ToolRecord recordFrom(const QCborMap &map, int &valuesSkipped)
    {
        ToolRecord record;
        const QCborValue name = map.value(ToolRecord::kNameKey);
        if (name.isString())
            record.setName(name.toString());
        if (const std::optional<qint32> type = integerFrom(map.value(ToolRecord::kTypeKey)))
            record.setType(*type);

        const QCborArray keyList = map.value(ToolRecord::kKeysKey).toArray();
        for (const QCborValue &keyValue : keyList) {
            if (!keyValue.isString())
                continue;
            const QString key = keyValue.toString();
            const QCborValue value = map.value(key);
            if (key == keys::Color) {
                const QByteArray bytes = value.toByteArray();
                if (value.isByteArray() && ColorArchive::decode(bytes))
                    record.insert(key, bytes);
                else
                    ++valuesSkipped;
            } else if (isIntegerKey(key)) {
                if (const std::optional<qint32> number = integerFrom(value))
                    record.insert(key, *number);
                else
                    ++valuesSkipped;
            }
        }
        return record;
    }

    Decoded damaged(const QString &error)
    {
        Decoded result;
        result.error = error;
        return result;
    }

    QString cborProblem(QCborStreamReader &reader)
    {
        return QStringLiteral("its data is damaged or cut short (%1)")
            .arg(reader.lastError().toString().toLower());
    }

    QString tooLarge()
    {
        return QStringLiteral("it is larger than %1 MB").arg(kMaxFileBytes >> 20);
    }

    QString tooManyRecords()
    {
        return QStringLiteral("it holds more than %1 tools").arg(kMaxRecords);
    }

} // namespace

QByteArray encode(const QList<ToolRecord> &records)
{
    QCborArray root;
    for (const ToolRecord &record : records) {
        QCborMap map;
        map.insert(ToolRecord::kNameKey, record.name());
        map.insert(ToolRecord::kTypeKey, record.type());
        for (const QString &key : record.keys()) {
            const QVariant value = record.value(key);
            if (value.typeId() == QMetaType::QByteArray)
                map.insert(key, value.toByteArray());
            else
                map.insert(key, qint64(value.toInt()));
        }
        map.insert(ToolRecord::kKeysKey, QCborArray::fromStringList(record.keys()));
        root.append(map);
    }
    return QCborValue(root).toCbor();
}

Decoded decode(const QByteArray &bytes)
{
    if (bytes.size() > kMaxFileBytes)
        return damaged(tooLarge());

    // Read record by record, so that a file with too many records is refused before it is all
    // decoded.
    QCborStreamReader reader(bytes);
    if (reader.lastError() != QCborError::NoError)
        return damaged(cborProblem(reader));
    if (!reader.isArray())
        return damaged(QStringLiteral("it does not hold a list of tools"));
    if (reader.isLengthKnown() && reader.length() > quint64(kMaxRecords))
        return damaged(tooManyRecords());
    if (!reader.enterContainer())
        return damaged(cborProblem(reader));

    Decoded result;
    while (reader.lastError() == QCborError::NoError && reader.hasNext()) {
        if (result.records.size() >= kMaxRecords)
            return damaged(tooManyRecords());
        const QCborValue entry = QCborValue::fromCbor(reader);
        if (reader.lastError() != QCborError::NoError)
            break;
        if (!entry.isMap()) {
            return damaged(QStringLiteral("entry %1 of its list is not a tool record")
                               .arg(result.records.size() + 1));
        }
        result.records.append(recordFrom(entry.toMap(), result.valuesSkipped));
    }
    if (reader.lastError() != QCborError::NoError || !reader.leaveContainer())
        return damaged(cborProblem(reader));
    if (reader.currentOffset() != bytes.size())
        return damaged(QStringLiteral("it has data after its list of tools"));
    result.ok = true;
    return result;
}

Decoded readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return damaged(QStringLiteral("it cannot be opened (%1)")
                           .arg(atomicfile::describeError(file.errorString())));
    }
    if (file.size() > kMaxFileBytes)
        return damaged(tooLarge());
    // One byte more than allowed tells a file that grew since its size was taken.
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        return damaged(QStringLiteral("it cannot be read (%1)")
                           .arg(atomicfile::describeError(file.errorString())));
    }
    return decode(bytes);
}

} // namespace pennova::toolboxfile
