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
