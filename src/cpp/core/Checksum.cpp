// Checksum.cpp: CRC-32 texts over Boost.CRC.
#include <core/Checksum.hpp>

#include <iomanip>
#include <locale>
#include <sstream>

#include <boost/crc.hpp>

#include <shared_core/SafeConvert.hpp>

namespace velorin::core::checksum {
namespace {

unsigned int crc32(const std::string& content)
{
   boost::crc_32_type crc;
   crc.process_bytes(content.data(), content.size());
   return crc.checksum();
}

} // namespace

std::string crc32Decimal(const std::string& content)
{
   return safe_convert::numberToString(crc32(content), true);
}

std::string crc32Hex(const std::string& content)
{
   std::ostringstream stream;
   stream.imbue(std::locale::classic()); // no digit grouping from the host's locale
   stream << std::uppercase << std::setw(8) << std::setfill('0') << std::hex << crc32(content);
   return stream.str();
}

} // namespace velorin::core::checksum
