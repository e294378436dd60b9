// CryptoConcurrencyTest.cpp: threads that hash, encrypt and fail at once each get
// their own results, and each failure its own error text.
#include <core/system/Crypto.hpp>

#include <string>
#include <vector>

#include <boost/algorithm/string/predicate.hpp>

#include <gtest/gtest.h>

#include "ThreadsStartingTogether.hpp"

namespace velorin::core::system::crypto {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(CryptoConcurrencyTest, EachThreadGetsItsOwnResultsAndFailures)
{
   const Bytes key(16, 0x61);
   const Bytes iv(16, 0x62);
   EXPECT_EQ(0, testing::countFailedRounds(8, 100, [&](int thread, int) {
                const Bytes data(static_cast<std::size_t>(100 + thread), static_cast<unsigned char>(thread));
                Bytes encrypted, decrypted;
                if (aesEncrypt(data, key, iv, &encrypted) || aesDecrypt(encrypted, key, iv, &decrypted) ||
                    decrypted != data)
                   return false;

                // Odd threads fail on the block length, even ones on the padding.
                const Error error = thread % 2 == 1 ? aesDecrypt(Bytes(17, 0), key, iv, &decrypted)
                                                    : aesDecrypt(Bytes(16, 0), key, iv, &decrypted);
                const char* expected = thread % 2 == 1 ? "wrong final block length" : "bad decrypt";
                if (!boost::ends_with(error.getProperty("description"), expected))
                   return false;

                std::string hash;
                return !sha256("abc", &hash) && hash.size() == 32 && hash[0] == '\xba';
             }));
}

} // namespace
} // namespace velorin::core::system::crypto
