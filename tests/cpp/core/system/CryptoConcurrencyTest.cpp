// CryptoConcurrencyTest.cpp: threads that hash, encrypt and fail at once each get
// their own results, and each failure its own error text.
#include <core/system/Crypto.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <boost/algorithm/string/predicate.hpp>

#include <gtest/gtest.h>

namespace velorin::core::system::crypto {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(CryptoConcurrencyTest, EachThreadGetsItsOwnResultsAndFailures)
{
   const Bytes key(16, 0x61);
   const Bytes iv(16, 0x62);
   std::atomic<bool> go{false};
   std::atomic<int> wrong{0};
   std::vector<std::thread> threads;
   for (int t = 0; t < 8; ++t)
   {
      threads.emplace_back([&, t] {
         while (!go)
            std::this_thread::yield();
         const Bytes data(static_cast<std::size_t>(100 + t), static_cast<unsigned char>(t));
         for (int i = 0; i < 100; ++i)
         {
            Bytes encrypted, decrypted;
            if (aesEncrypt(data, key, iv, &encrypted) || aesDecrypt(encrypted, key, iv, &decrypted) ||
                decrypted != data)
               ++wrong;

            // Odd threads fail on the block length, even ones on the padding.
            const Error error = t % 2 == 1 ? aesDecrypt(Bytes(17, 0), key, iv, &decrypted)
                                           : aesDecrypt(Bytes(16, 0), key, iv, &decrypted);
            const char* expected = t % 2 == 1 ? "wrong final block length" : "bad decrypt";
            if (!boost::ends_with(error.getProperty("description"), expected))
               ++wrong;

            std::string hash;
            if (sha256("abc", &hash) || hash.size() != 32 || hash[0] != '\xba')
               ++wrong;
         }
      });
   }
   go = true;
   for (std::thread& thread : threads)
      thread.join();
   EXPECT_EQ(0, wrong);
}

} // namespace
} // namespace velorin::core::system::crypto
