// CryptoConcurrencyTest.cpp: threads that hash, encrypt and fail at once each get
// their own results, and each failure its own error text; decryption with the process
// key goes on while the key is replaced.
#include <core/system/Crypto.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <boost/algorithm/string/predicate.hpp>

#include <gtest/gtest.h>

#include "RsaClient.hpp"
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

// Each decryption uses one whole key, the one it took, however often the key is
// replaced meanwhile: it gives the plain text, or fails as for another key's text.
TEST(CryptoConcurrencyTest, DecryptionGoesOnWhileTheProcessKeyIsReplaced)
{
   ASSERT_FALSE(rsaInit());
   std::atomic<bool> replaced{false};
   std::thread replacer([&] {
      for (int round = 0; round < 2; ++round)
         EXPECT_FALSE(rsaInit());
      replaced = true;
   });
   EXPECT_EQ(0, testing::countFailedRounds(2, 1, [&](int thread, int) {
                const std::string plain = "secret " + std::to_string(thread);
                bool allRight = true;
                do
                {
                   std::string exponent, modulus;
                   rsaPublicKey(&exponent, &modulus);
                   if (exponent != "010001" || modulus.size() != 512)
                      allRight = false;
                   std::string decrypted;
                   const Error error = rsaPrivateDecrypt(testing::clientEncrypt(plain), &decrypted);
                   if (error ? error.getCode() != 104 : decrypted != plain)
                      allRight = false;
                } while (!replaced);
                return allRight;
             }));
   replacer.join();

   std::string decrypted;
   ASSERT_FALSE(rsaPrivateDecrypt(testing::clientEncrypt("after"), &decrypted));
   EXPECT_EQ("after", decrypted);
}

} // namespace
} // namespace velorin::core::system::crypto
