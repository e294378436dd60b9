// RsaFuzzer.cpp: RSA signatures and the process key's decryption against attacker
// text, with keys made once. The input's first byte picks a check:
//   - a signature the library makes verifies, and a changed message or a changed
//     signature never does (code 104);
//   - a changed or foreign key text verifies only when it still holds the very key
//     that signed; text that holds no public key is refused with code 12;
//   - cipher text built here from an encoded block the fuzzer shapes decrypts exactly
//     when the block is a well-formed PKCS#1 v1.5 block, to the text the block holds;
//   - any cipher text is refused, leaving the output alone, or gives no more than a
//     block can hold.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <core/system/Crypto.hpp>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::system::crypto;
using velorin::fuzz::check;

constexpr int kNotMade = 12;
constexpr int kCryptoFailure = 104;
constexpr std::size_t kBlockSize = 256; // a 2048-bit key
constexpr std::size_t kLargestPlainText = kBlockSize - 11;

using BigNumberPtr = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

BigNumberPtr fromHex(const std::string& hex)
{
   BIGNUM* number = nullptr;
   check(BN_hex2bn(&number, hex.c_str()) == static_cast<int>(hex.size()));
   return BigNumberPtr(number, BN_free);
}

KeyPtr readPublicKey(const std::string& pem)
{
   const std::unique_ptr<BIO, decltype(&BIO_free)> source(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                          BIO_free);
   check(source != nullptr);
   return KeyPtr(PEM_read_bio_PUBKEY(source.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
}

struct Keys
{
   std::string publicPem;
   std::string privatePem;
   KeyPtr publicKey{nullptr, EVP_PKEY_free};
   std::string message = "signed once";
   std::string signature;
   // The process key's public half.
   BigNumberPtr modulus{nullptr, BN_free};
   BigNumberPtr exponent{nullptr, BN_free};
};

const Keys& keys()
{
   static const Keys s_keys = [] {
      Keys made;
      check(!generateRsaKeyPair(&made.publicPem, &made.privatePem));
      made.publicKey = readPublicKey(made.publicPem);
      check(made.publicKey != nullptr);
      check(!rsaSign(made.message, made.privatePem, &made.signature));
      check(!rsaInit());
      std::string exponent;
      std::string modulus;
      rsaPublicKey(&exponent, &modulus);
      made.modulus = fromHex(modulus);
      made.exponent = fromHex(exponent);
      check(static_cast<std::size_t>(BN_num_bytes(made.modulus.get())) == kBlockSize);
      return made;
   }();
   return s_keys;
}

// A few bytes overwritten, cut off or added, as the fuzzer says.
std::string edited(std::string text, FuzzedDataProvider& provider)
{
   const int edits = provider.ConsumeIntegralInRange(1, 4);
   for (int i = 0; i < edits; ++i)
   {
      switch (provider.ConsumeIntegralInRange(0, 3))
      {
      case 0:
         if (!text.empty())
            text[provider.ConsumeIntegralInRange<std::size_t>(0, text.size() - 1)] = provider.ConsumeIntegral<char>();
         break;
      case 1:
         text.resize(provider.ConsumeIntegralInRange<std::size_t>(0, text.size()));
         break;
      case 2:
         text.insert(provider.ConsumeIntegralInRange<std::size_t>(0, text.size()), 1, provider.ConsumeIntegral<char>());
         break;
      default:
         text = provider.ConsumeRandomLengthString(2 * kBlockSize);
         break;
      }
   }
   return text;
}

void checkSignatures(FuzzedDataProvider& provider)
{
   std::string message = keys().message;
   std::string signature = keys().signature;
   if (provider.ConsumeBool())
   {
      message = provider.ConsumeRandomLengthString(1024);
      check(!rsaSign(message, keys().privatePem, &signature));
      check(signature.size() == kBlockSize);
   }
   check(!rsaVerify(message, signature, keys().publicPem));

   const std::string otherMessage = edited(message, provider);
   if (otherMessage != message)
      check(rsaVerify(otherMessage, signature, keys().publicPem).getCode() == kCryptoFailure);

   const std::string otherSignature = edited(signature, provider);
   if (otherSignature != signature)
      check(rsaVerify(message, otherSignature, keys().publicPem).getCode() == kCryptoFailure);
}

void checkKeyText(FuzzedDataProvider& provider)
{
   std::string pem;
   switch (provider.ConsumeIntegralInRange(0, 2))
   {
   case 0:
      pem = edited(keys().publicPem, provider);
      break;
   case 1:
      pem = provider.ConsumeRandomLengthString(256) + keys().publicPem + provider.ConsumeRandomLengthString(256);
      break;
   default:
      pem = provider.ConsumeRemainingBytesAsString();
      break;
   }
   const int code = rsaVerify(keys().message, keys().signature, pem).getCode();

   const KeyPtr key = readPublicKey(pem);
   if (key == nullptr)
      check(code == kNotMade);
   else if (EVP_PKEY_eq(key.get(), keys().publicKey.get()) == 1)
      check(code == 0);
   else
      check(code == kNotMade || code == kCryptoFailure);
}

std::string base64(const std::string& bytes)
{
   static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
   std::string text;
   for (std::size_t i = 0; i < bytes.size(); i += 3)
   {
      std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
      if (i + 1 < bytes.size())
         group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
      if (i + 2 < bytes.size())
         group |= static_cast<unsigned char>(bytes[i + 2]);
      text += kAlphabet[(group >> 18) & 63];
      text += kAlphabet[(group >> 12) & 63];
      text += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
      text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
   }
   return text;
}

// 00 02, at least eight bytes other than 00, 00, then the text.
std::optional<std::string> unpadded(const std::string& block)
{
   if (block.size() != kBlockSize || block[0] != 0 || block[1] != 2)
      return std::nullopt;
   const std::size_t separator = block.find('\0', 2);
   if (separator == std::string::npos || separator < 10)
      return std::nullopt;
   return block.substr(separator + 1);
}

// The block raised to the public exponent: its cipher text under the process key. A
// block not below the modulus stands for its remainder, which is what decrypts.
std::string encryptedRaw(std::string* pBlock)
{
   BigNumberPtr block(BN_bin2bn(reinterpret_cast<const unsigned char*>(pBlock->data()),
                                static_cast<int>(pBlock->size()), nullptr),
                      BN_free);
   BigNumberPtr cipher(BN_new(), BN_free);
   const std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> context(BN_CTX_new(), BN_CTX_free);
   check(block && cipher && context);
   check(BN_mod(block.get(), block.get(), keys().modulus.get(), context.get()) == 1);
   check(BN_mod_exp(cipher.get(), block.get(), keys().exponent.get(), keys().modulus.get(), context.get()) == 1);

   std::string bytes(kBlockSize, '\0');
   check(BN_bn2binpad(block.get(), reinterpret_cast<unsigned char*>(pBlock->data()), kBlockSize) ==
         static_cast<int>(kBlockSize));
   check(BN_bn2binpad(cipher.get(), reinterpret_cast<unsigned char*>(bytes.data()), kBlockSize) ==
         static_cast<int>(kBlockSize));
   return bytes;
}

void checkShapedBlock(FuzzedDataProvider& provider)
{
   // The shape is taken first, as the text takes the bytes that come before it.
   const int shape = provider.ConsumeIntegralInRange(0, 3);
   const std::size_t firstBytes = provider.ConsumeIntegralInRange<std::size_t>(0, 1);
   const char firstByte = static_cast<char>(provider.ConsumeIntegralInRange(3, 255));
   const std::size_t zeroAt = provider.ConsumeIntegralInRange<std::size_t>(2, 9);
   const char separator = static_cast<char>(provider.ConsumeIntegralInRange(1, 255));
   std::string plain = provider.ConsumeRandomLengthString(kBlockSize);
   if (plain.size() > kBlockSize - 3)
      plain.resize(kBlockSize - 3);

   std::string block(kBlockSize, '\0');
   block[1] = 2;
   for (std::size_t i = 2; i < kBlockSize - 1 - plain.size(); ++i)
      block[i] = static_cast<char>(provider.ConsumeIntegralInRange(1, 255));
   block.replace(kBlockSize - plain.size(), plain.size(), plain);
   if (shape == 1)
      block[firstBytes] = firstByte;
   else if (shape == 2)
      block[zeroAt] = '\0';
   else if (shape == 3)
      block[kBlockSize - 1 - plain.size()] = separator;

   const std::string cipher = encryptedRaw(&block);
   const std::optional<std::string> expected = unpadded(block);
   std::string decrypted = "untouched";
   const bool refused = rsaPrivateDecrypt(base64(cipher), &decrypted).isError();
   check(refused == !expected.has_value());
   check(decrypted == (refused ? "untouched" : *expected));
}

void checkAnyCipherText(const std::string& text)
{
   std::string decrypted = "untouched";
   if (rsaPrivateDecrypt(text, &decrypted))
      check(decrypted == "untouched");
   else
      check(decrypted.size() <= kLargestPlainText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   if (size == 0)
      return 0;
   keys();
   FuzzedDataProvider provider(data + 1, size - 1);
   switch (data[0] % 4)
   {
   case 0:
      checkSignatures(provider);
      break;
   case 1:
      checkKeyText(provider);
      break;
   case 2:
      checkShapedBlock(provider);
      break;
   default:
      checkAnyCipherText(provider.ConsumeRemainingBytesAsString());
      break;
   }
   return 0;
}
