// CryptoProcessKeyTest.cpp: the process-wide RSA key: its set-up with and without the
// seed file, its public half as text, and decryption of what a client encrypted.
#include <core/system/Crypto.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <platform/TestHooks.hpp>

#include "RsaClient.hpp"

namespace velorin::core::system::crypto {
namespace {

using testing::clientEncrypt;

class ProcessKeyTest : public ::testing::Test
{
};

TEST_F(ProcessKeyTest, PublishesItsPublicHalfAndDecryptsWithItsPrivateHalf)
{
   ASSERT_FALSE(rsaInit());
   std::string exponent, modulus;
   rsaPublicKey(&exponent, &modulus);
   EXPECT_EQ("010001", exponent);
   ASSERT_EQ(512u, modulus.size());
   EXPECT_EQ(std::string::npos, modulus.find_first_not_of("0123456789ABCDEF"));
   EXPECT_GE(modulus[0], '8'); // a 2048-bit modulus has its top bit set

   for (const std::string& plain : {std::string("password"), std::string(), std::string(245, '\x01')})
   {
      const std::string cipherText = clientEncrypt(plain);
      ASSERT_EQ(344u, cipherText.size());
      std::string decrypted = "old";
      ASSERT_FALSE(rsaPrivateDecrypt(cipherText, &decrypted)) << plain.size();
      EXPECT_EQ(plain, decrypted);
   }
}

TEST_F(ProcessKeyTest, ASecondSetUpReplacesTheKey)
{
   ASSERT_FALSE(rsaInit());
   std::string exponent, firstModulus;
   rsaPublicKey(&exponent, &firstModulus);
   const std::string cipherText = clientEncrypt("for the first key");

   ASSERT_FALSE(rsaInit());
   std::string secondModulus;
   rsaPublicKey(&exponent, &secondModulus);
   EXPECT_NE(firstModulus, secondModulus);
   std::string decrypted;
   ASSERT_FALSE(rsaPrivateDecrypt(clientEncrypt("for the second key"), &decrypted));
   EXPECT_EQ("for the second key", decrypted);
   decrypted = "kept";
   EXPECT_TRUE(rsaPrivateDecrypt(cipherText, &decrypted));
   EXPECT_EQ("kept", decrypted);
}

// Windows has no seed file: OpenSSL's own seeding is enough, and the key is made.
TEST_F(ProcessKeyTest, AMissingSeedFileIsSkipped)
{
   platform::failNext("_open", 2);
   ASSERT_FALSE(rsaInit());
   std::string exponent, modulus;
   rsaPublicKey(&exponent, &modulus);
   EXPECT_EQ(512u, modulus.size());
}

// Linux only: Windows has no random device at the seed file's path, and the failed
// reads are armed in the stand-ins.
#ifndef _WIN32
TEST_F(ProcessKeyTest, ASeedFileThatCannotBeReadFailsAndChangesNothing)
{
   ASSERT_FALSE(rsaInit());
   std::string exponent, modulus;
   rsaPublicKey(&exponent, &modulus);
   const std::string cipherText = clientEncrypt("still readable");

   const struct
   {
      const char* function;
      int errnoValue;
   } cases[] = {{"_open", 13}, {"_open", 24}, {"_read", 5}};
   for (const auto& c : cases)
   {
      platform::failNext(c.function, static_cast<std::uint32_t>(c.errnoValue));
      const Error error = rsaInit();
      EXPECT_EQ(c.errnoValue, error.getCode()) << c.function << ": " << error.asString();
      EXPECT_EQ("system", error.getName());

      std::string sameExponent, sameModulus;
      rsaPublicKey(&sameExponent, &sameModulus);
      EXPECT_EQ(modulus, sameModulus) << c.function;
      std::string decrypted;
      ASSERT_FALSE(rsaPrivateDecrypt(cipherText, &decrypted)) << c.function;
      EXPECT_EQ("still readable", decrypted);
   }
}
#endif

TEST_F(ProcessKeyTest, BadCipherTextFailsWithOpenSslsText)
{
   ASSERT_FALSE(rsaInit());
   const std::string good = clientEncrypt("text");
   std::vector<unsigned char> longer;
   ASSERT_FALSE(base64Decode(good, &longer));
   longer.push_back(0);
   std::string tooLong;
   ASSERT_FALSE(base64Encode(longer, &tooLong));
   std::string flipped = good;
   flipped[10] = flipped[10] == 'A' ? 'B' : 'A';
   const struct
   {
      std::string cipherText;
      const char* name;
   } cases[] = {
      {"", "empty"},
      {"!!!!", "malformed base64"},
      {good.substr(0, 340), "truncated"},
      {tooLong, "too long"},
      {flipped, "changed"},
      {std::string(344, 'A'), "zeros"},
      {std::string(340, '/') + "/w==", "above the modulus"},
   };
   for (const auto& c : cases)
   {
      std::string plain = "kept";
      const Error error = rsaPrivateDecrypt(c.cipherText, &plain);
      EXPECT_EQ(104, error.getCode()) << c.name << ": " << error.asString();
      EXPECT_FALSE(error.getProperty("description").empty()) << c.name;
      EXPECT_EQ("kept", plain) << c.name;
   }

   // Text after the padding is no part of the cipher text.
   std::string plain;
   ASSERT_FALSE(rsaPrivateDecrypt(good + "AAAA", &plain));
   EXPECT_EQ("text", plain);
}

} // namespace
} // namespace velorin::core::system::crypto
