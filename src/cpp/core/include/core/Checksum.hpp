// Checksum.hpp: short checksum texts of a string, from its CRC-32.
//
//   checksum::crc32Decimal("123456789");  // "3421780262"
//   checksum::crc32Hex("123456789");      // "CBF43926"
//
// The CRC-32 of IEEE 802.3 and zlib, over every byte of the string, NULs included.
#pragma once

#include <string>

namespace velorin::core::checksum {

// Unsigned decimal, without grouping or leading zeros.
std::string crc32Decimal(const std::string& content);

// Always eight upper-case hexadecimal digits.
std::string crc32Hex(const std::string& content);

} // namespace velorin::core::checksum
