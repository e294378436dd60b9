// ChecksumConcurrencyTest.cpp: first uses of the CRC table from several threads at once.
#include <core/Checksum.hpp>

#include <gtest/gtest.h>

#include "ThreadsStartingTogether.hpp"

namespace velorin::core::checksum {
namespace {

TEST(ChecksumConcurrencyTest, ThreadsStartingTogetherAgree)
{
   EXPECT_EQ(0, testing::countFailedRounds(8, 200, [](int, int) {
                return crc32Hex("123456789") == "CBF43926" && crc32Decimal("abc") == "891568578";
             }));
}

} // namespace
} // namespace velorin::core::checksum
