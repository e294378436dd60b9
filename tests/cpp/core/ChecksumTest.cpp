// ChecksumTest.cpp: CRC-32 texts against the standard check values.
#include <core/Checksum.hpp>

#include <gtest/gtest.h>

namespace velorin::core::checksum {
namespace {

TEST(ChecksumTest, KnownValues)
{
   const struct
   {
      std::string content;
      const char* decimal;
      const char* hex;
   } cases[] = {
      {"", "0", "00000000"},
      {"abc", "891568578", "352441C2"},
      {"123456789", "3421780262", "CBF43926"},
      {"The quick brown fox jumps over the lazy dog", "1095738169", "414FA339"},
      // A checksum below 0x10000000 keeps its leading zero in hexadecimal.
      {"33", "174200537", "0A6216D9"},
   };
   for (const auto& c : cases)
   {
      EXPECT_EQ(c.decimal, crc32Decimal(c.content)) << c.content;
      EXPECT_EQ(c.hex, crc32Hex(c.content)) << c.content;
   }
}

TEST(ChecksumTest, EmbeddedNulCounts)
{
   const std::string withNul("ab\0cd", 5);
   EXPECT_NE(crc32Decimal("ab"), crc32Decimal(withNul));
   EXPECT_NE(crc32Hex(std::string("ab\0", 3)), crc32Hex("ab"));
}

} // namespace
} // namespace velorin::core::checksum
