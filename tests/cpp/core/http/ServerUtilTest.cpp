// ServerUtilTest.cpp: chunk framing and the address checks.
#include <core/http/Util.hpp>

#include <string>

#ifndef _WIN32
#include <netdb.h>
#endif

#include <gtest/gtest.h>

namespace velorin::core::http {
namespace {

TEST(ServerUtilTest, ChunkFrameGivesTheLengthInLowerCaseHex)
{
   EXPECT_EQ("1a\r\nabcdefghijklmnopqrstuvwxyz\r\n", util::chunkFrame("abcdefghijklmnopqrstuvwxyz"));
   EXPECT_EQ("0\r\n\r\n", util::chunkFrame(""));
   EXPECT_EQ(std::string("3\r\na\0b\r\n", 8), util::chunkFrame(std::string("a\0b", 3)));
   const std::string large(4096, 'x');
   EXPECT_EQ("1000\r\n" + large + "\r\n", util::chunkFrame(large));
}

TEST(ServerUtilTest, IpAddressIsALiteralAddressOnly)
{
   const struct
   {
      const char* host;
      bool address;
   } cases[] = {
      {"127.0.0.1", true},
      {"255.255.255.255", true},
      {"0.0.0.0", true},
      {"::1", true},
      {"fe80::1%1", true},
      {"2001:db8::ff00:42:8329", true},
      {"::ffff:192.0.2.1", true},
      {"localhost", false},
      {"example.com", false},
      {"", false},
      {"256.0.0.1", false},
      {"1.2.3", false},
      {"[::1]", false},
      {"127.0.0.1 ", false},
   };
   for (const auto& c : cases)
      EXPECT_EQ(c.address, util::isIpAddress(c.host)) << c.host;
}

// Whether the system's own resolver knows "localhost": a bare container's hosts file
// may lack it. Windows answers it without one.
bool systemResolvesLocalhost()
{
#ifdef _WIN32
   return true;
#else
   addrinfo* found = nullptr;
   const bool resolves = ::getaddrinfo("localhost", nullptr, nullptr, &found) == 0;
   if (found != nullptr)
      ::freeaddrinfo(found);
   return resolves;
#endif
}

TEST(ServerUtilTest, HostResolvesForLiteralsOnlyWithoutAName)
{
   EXPECT_TRUE(util::hostResolves("127.0.0.1"));
   EXPECT_FALSE(util::hostResolves(""));
}

TEST(ServerUtilTest, HostResolvesLocalNames)
{
   if (!systemResolvesLocalhost())
      GTEST_SKIP() << "the system resolver cannot resolve \"localhost\" (no entry in the hosts file)";
   EXPECT_TRUE(util::hostResolves("localhost"));
}

} // namespace
} // namespace velorin::core::http
