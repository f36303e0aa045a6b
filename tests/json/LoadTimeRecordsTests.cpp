#include "json/JTCollectionLoadTime.h"

#include <gtest/gtest.h>

namespace testsupport {

using namespace jotter;

namespace {

// Read by an ordinary static initialiser, before main: the records must
// already have been written while the program loaded, not on first use.
const JTUnsignedNumberFactory recordedBeforeMain = _jt_NSNumberImpCache().initWithUnsignedLongLong;

TEST(LoadTimeRecords, WrittenBeforeMainRuns)
{
    EXPECT_EQ(recordedBeforeMain, &foundation::Number::withUnsigned);
}

TEST(LoadTimeRecords, UnsignedEntryPointMakesUnsignedNumbers)
{
    foundation::Ref<foundation::Number> number =
        _jt_NSNumberImpCache().initWithUnsignedLongLong(18446744073709551615u, 'Q');
    EXPECT_EQ(number->typeCode(), 'Q');
    EXPECT_EQ(number->uint64Value(), 18446744073709551615u);
}

} // namespace
} // namespace testsupport
