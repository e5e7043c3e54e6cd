#include "palette/toolrecord.h"

#include <gtest/gtest.h>

using namespace pennova;

TEST(ToolRecord, KeysKeepTheOrderOfFirstInsertion)
{
    ToolRecord record(QStringLiteral("Fine"), ToolRecord::kPenType);
    record.insert(QStringLiteral("bsizemin"), 2);
    record.insert(QStringLiteral("clr"), QByteArray("bytes"));
    record.insert(QStringLiteral("bsizemin"), 3);

    EXPECT_EQ(record.keys(), QStringList({ QStringLiteral("bsizemin"), QStringLiteral("clr") }));
    EXPECT_EQ(record.value(QStringLiteral("bsizemin")), QVariant(3));
    EXPECT_EQ(record.value(QStringLiteral("clr")).typeId(), QMetaType::QByteArray);
    EXPECT_FALSE(record.contains(QStringLiteral("ink")));
    EXPECT_FALSE(record.value(QStringLiteral("ink")).isValid());
}

TEST(ToolRecord, EqualityCoversNameTypeKeyOrderAndValueTypes)
{
    const auto make = [](const QString &first, const QString &second) {
        ToolRecord r(QStringLiteral("Eraser"), ToolRecord::kEraserType);
        r.insert(first, 12);
        r.insert(second, 50);
        return r;
    };
    const QString size = QStringLiteral("esize");
    const QString strength = QStringLiteral("estren");
    const ToolRecord record = make(size, strength);
    EXPECT_EQ(record, make(size, strength));
    EXPECT_NE(record, make(strength, size));

    ToolRecord renamed = record;
    renamed.setName(QStringLiteral("Other"));
    EXPECT_NE(record, renamed);
    ToolRecord retyped = record;
    retyped.setType(ToolRecord::kPenType);
    EXPECT_NE(record, retyped);
    // The number 12 and bytes are different values.
    ToolRecord asBytes = record;
    asBytes.insert(size, QByteArray("12"));
    EXPECT_NE(record, asBytes);
}
