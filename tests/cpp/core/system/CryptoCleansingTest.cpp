// CryptoCleansingTest.cpp: no copy of a key or of plain text that the library makes goes
// back to the heap readable. This program replaces the global allocation functions:
// every block starts zeroed, and while a call is watched each block it frees is
// searched for the secrets before it is released.
#include <core/system/Crypto.hpp>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "RsaClient.hpp"

#ifdef __GLIBC__
#include <malloc.h>

namespace {

// Sixteen bytes each: the AES key, and a stretch of the plain text.
const char kKey[] = "Key:0123456789AB";
const char kPlainMark[] = "plain text mark!";
constexpr std::size_t kSecretSize = 16;

std::atomic<bool> s_watching{false};
std::atomic<int> s_freedWithSecrets{0};

void* allocate(std::size_t size)
{
   void* block = std::malloc(size == 0 ? 1 : size);
   if (block == nullptr)
      throw std::bad_alloc();
   std::memset(block, 0, ::malloc_usable_size(block)); // what it held before is no finding
   return block;
}

void release(void* block) noexcept
{
   if (block == nullptr)
      return;
   const std::size_t size = ::malloc_usable_size(block);
   if (s_watching && (::memmem(block, size, kKey, kSecretSize) != nullptr ||
                      ::memmem(block, size, kPlainMark, kSecretSize) != nullptr))
      ++s_freedWithSecrets;
   std::free(block);
}

} // namespace

void* operator new(std::size_t size)
{
   return allocate(size);
}
void* operator new[](std::size_t size)
{
   return allocate(size);
}
void operator delete(void* block) noexcept
{
   release(block);
}
void operator delete[](void* block) noexcept
{
   release(block);
}
void operator delete(void* block, std::size_t) noexcept
{
   release(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
   release(block);
}
#endif

namespace velorin::core::system::crypto {
namespace {

using Bytes = std::vector<unsigned char>;

// The number of blocks freed with a secret in them while the call ran.
template <typename Call>
int freedWithSecrets(const Call& call)
{
#ifdef __GLIBC__
   s_freedWithSecrets = 0;
   s_watching = true;
   call();
   s_watching = false;
   return s_freedWithSecrets;
#else
   call();
   return 0;
#endif
}

TEST(CryptoCleansingTest, KeysAndPlainTextAreClearedBeforeTheirMemoryIsFreed)
{
#ifndef __GLIBC__
   GTEST_SKIP() << "the freed blocks are searched through glibc's malloc_usable_size";
#else
   const std::string key(kKey, kSecretSize);
   std::string plain;
   for (int i = 0; i < 8; ++i)
      plain += std::string(kPlainMark, kSecretSize) + " and more ";
   ASSERT_FALSE(rsaInit());
   const std::string rsaCipherText = testing::clientEncrypt(plain.substr(0, 100));
   ASSERT_FALSE(rsaCipherText.empty());

   Error error;
   std::string ivText, encryptedText;
   EXPECT_EQ(0, freedWithSecrets([&] { error = encryptDataAndBase64Encode(plain, key, &ivText, &encryptedText); }));
   ASSERT_FALSE(error);

   std::string decrypted = "a short start, which must grow: ";
   EXPECT_EQ(0, freedWithSecrets([&] { error = base64DecodeAndDecrypt(encryptedText, key, ivText, &decrypted); }));
   ASSERT_FALSE(error);
   EXPECT_EQ("a short start, which must grow: " + plain, decrypted);

   // A damaged last block fails only after all but that block has been decrypted.
   const Bytes keyBytes(key.begin(), key.end());
   const Bytes iv(16, 7);
   Bytes encrypted;
   ASSERT_FALSE(aesEncrypt(Bytes(plain.begin(), plain.end()), keyBytes, iv, &encrypted));
   encrypted[encrypted.size() - 17] ^= 0x55;
   Bytes failedOutput;
   EXPECT_EQ(0, freedWithSecrets([&] { error = aesDecrypt(encrypted, keyBytes, iv, &failedOutput); }));
   EXPECT_EQ(104, error.getCode());

   std::string rsaPlain = "old";
   EXPECT_EQ(0, freedWithSecrets([&] { error = rsaPrivateDecrypt(rsaCipherText, &rsaPlain); }));
   ASSERT_FALSE(error);
   EXPECT_EQ(plain.substr(0, 100), rsaPlain);
#endif
}

} // namespace
} // namespace velorin::core::system::crypto
