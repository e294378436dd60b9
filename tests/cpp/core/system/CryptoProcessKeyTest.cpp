// CryptoProcessKeyTest.cpp: the process-wide RSA key: its set-up with and without the
// seed file, its public half as text, and decryption of what a client encrypted.
#include <core/system/Crypto.hpp>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <platform/TestHooks.hpp>

namespace velorin::core::system::crypto {
namespace {

template <auto Free>
struct OpenSslFree
{
   template <typename T>
   void operator()(T* object) const
   {
      Free(object);
   }
};

// What a client does with the published exponent and modulus: encrypts with PKCS#1
// v1.5 padding and sends base64.
std::string clientEncrypt(const std::string& plain)
{
   std::string exponentHex, modulusHex;
   rsaPublicKey(&exponentHex, &modulusHex);
   BIGNUM* exponent = nullptr;
   BIGNUM* modulus = nullptr;
   BN_hex2bn(&exponent, exponentHex.c_str());
   BN_hex2bn(&modulus, modulusHex.c_str());
   const std::unique_ptr<BIGNUM, OpenSslFree<BN_free>> ownedExponent(exponent), ownedModulus(modulus);

   const std::unique_ptr<OSSL_PARAM_BLD, OpenSslFree<OSSL_PARAM_BLD_free>> builder(OSSL_PARAM_BLD_new());
   OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, modulus);
   OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, exponent);
   const std::unique_ptr<OSSL_PARAM, OpenSslFree<OSSL_PARAM_free>> params(OSSL_PARAM_BLD_to_param(builder.get()));
   const std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>> fromData(
      EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
   EVP_PKEY* key = nullptr;
   if (EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
       EVP_PKEY_fromdata(fromData.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
      return std::string();
   const std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY_free>> ownedKey(key);

   const std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>> context(EVP_PKEY_CTX_new(key, nullptr));
   std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(key));
   std::vector<unsigned char> encrypted(size);
   if (EVP_PKEY_encrypt_init(context.get()) != 1 ||
       EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0 ||
       EVP_PKEY_encrypt(context.get(), encrypted.data(), &size,
                        reinterpret_cast<const unsigned char*>(plain.data()), plain.size()) != 1)
      return std::string();
   encrypted.resize(size);
   std::string text;
   base64Encode(encrypted, &text);
   return text;
}

class ProcessKeyTest : public ::testing::Test
{
protected:
   void TearDown() override { platform::clearFailures(); }
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
