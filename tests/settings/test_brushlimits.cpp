#include "settings/brushlimits.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <ostream>

using namespace pennova;

namespace {

struct LimitCase
{
    const char *key;
    qint64 typed;
    int sizeMin; // the sizes in force
    int sizeMax;
    int stored;
};

void PrintTo(const LimitCase &c, std::ostream *out)
{
    *out << c.key << " typed " << c.typed << " with sizes " << c.sizeMin << "-" << c.sizeMax;
}

class BrushLimitsTest : public ::testing::TestWithParam<LimitCase>
{
};

} // namespace

TEST_P(BrushLimitsTest, EntryIsStoredWithinItsRange)
{
    const LimitCase c = GetParam();
    test::TestDefaults defaults;
    defaults->setInteger(keys::BrushSizeMin, c.sizeMin);
    defaults->setInteger(keys::BrushSize, c.sizeMax);
    EXPECT_EQ(brushlimits::clampedForKey(QString::fromLatin1(c.key), c.typed, *defaults), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Entries, BrushLimitsTest,
    ::testing::Values(LimitCase { "bsize", 60, 1, 10, 48 },
        // The largest size is at least the smallest, and at least 1.
        LimitCase { "bsize", 0, 4, 10, 4 }, LimitCase { "bsize", 0, 0, 10, 1 },
        LimitCase { "bsizemin", 30, 1, 20, 20 }, LimitCase { "bsizemin", -5, 1, 20, 0 },
        // Sizes out of order elsewhere: the lowest end wins over the highest.
        LimitCase { "bsizemin", 7, 10, 5, 5 }, LimitCase { "bsize", 5, 10, 5, 10 },
        LimitCase { "bsize", 20, 50, 50, 50 }, LimitCase { "esize", 0, 1, 10, 1 },
        LimitCase { "esize", 99, 1, 10, 48 }, LimitCase { "estren", 0, 1, 10, 1 },
        LimitCase { "estren", 150, 1, 10, 100 }, LimitCase { "estren", 100, 1, 10, 100 },
        LimitCase { "estren", qint64(1) << 40, 1, 10, 100 }));
