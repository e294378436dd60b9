// Base64DecryptFuzzer.cpp: base64 decoding and AES-128-CBC decryption of arbitrary
// input with a fixed key. Whatever decodes encodes back to text that decodes to the
// same bytes, and whatever decrypts encrypts back to the same cipher text, because
// valid padding is the only padding there is.
#include <cstdint>
#include <string>
#include <vector>

#include <core/system/Crypto.hpp>

#include "FuzzCheck.hpp"

namespace {

using namespace velorin::core::system::crypto;
using velorin::fuzz::check;
using Bytes = std::vector<unsigned char>;

const Bytes kKey{'f', 'u', 'z', 'z', 'i', 'n', 'g', ' ', 'f', 'i', 'x', 'e', 'd', ' ', 'k', 'y'};
const Bytes kIv(16, 0x5c);
const std::string kIvText = "XFxcXFxcXFxcXFxcXFxcXA=="; // kIv in base64

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
   const std::string text(reinterpret_cast<const char*>(data), size);

   Bytes decoded;
   check(!base64Decode(text, &decoded));
   check(decoded.size() <= (size + 3) / 4 * 3);
   std::string encoded;
   check(!base64Encode(decoded, &encoded));
   Bytes again;
   check(!base64Decode(encoded, &again) && again == decoded);

   const Bytes cipher(data, data + size);
   Bytes plain;
   if (!aesDecrypt(cipher, kKey, kIv, &plain))
   {
      check(plain.size() < size && size % 16 == 0);
      Bytes reencrypted;
      check(!aesEncrypt(plain, kKey, kIv, &reencrypted) && reencrypted == cipher);
   }

   // The text as a transported message: decoded, then decrypted as above.
   Bytes plainOfDecoded;
   const bool decodedDecrypts = !aesDecrypt(decoded, kKey, kIv, &plainOfDecoded);
   std::string decrypted = "prefix";
   const bool textDecrypts = !base64DecodeAndDecrypt(text, std::string(kKey.begin(), kKey.end()), kIvText, &decrypted);
   check(textDecrypts == decodedDecrypts);
   check(decrypted == (textDecrypts ? "prefix" + std::string(plainOfDecoded.begin(), plainOfDecoded.end()) : "prefix"));
   return 0;
}
