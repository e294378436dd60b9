// Crypto.hpp: HMAC-SHA-256, SHA-256, AES-128-CBC, base64, random bytes, RSA keys in
// PEM with SHA-256 signatures, and a process-wide RSA key, over OpenSSL's libcrypto.
//
//   std::string ivText, encrypted;
//   crypto::encryptDataAndBase64Encode("secret", sixteenByteKey, &ivText, &encrypted);
//   std::string plain;
//   crypto::base64DecodeAndDecrypt(encrypted, sixteenByteKey, ivText, &plain);
//
// Bytes are used as they are: no text conversion anywhere. An OpenSSL failure is the
// system error 104 with OpenSSL's own text as "description" (129 when OpenSSL says
// nothing); an OpenSSL object that cannot be made, or PEM text that holds no RSA key,
// is 12. Each call empties this thread's OpenSSL error queue before it starts and when
// it returns, so a failure reports the call's own error. Outputs are left as they
// were when a call fails.
#pragma once

#include <string>
#include <vector>

#include <shared_core/Error.hpp>

namespace velorin::core {
class FilePath;
}

namespace velorin::core::system::crypto {

// AES-128-CBC with PKCS#7 padding. Only the first 16 bytes of the key and of the IV
// are used; shorter ones are refused with the system error 22 before OpenSSL sees
// them. The cipher text is the data's length raised to the next multiple of 16 (a
// whole block more when it already is one), without the IV. A wrong key or damaged
// padding makes decryption fail, while a wrong IV only garbles the first block.
Error aesDecrypt(const std::vector<unsigned char>& data,
                 const std::vector<unsigned char>& key,
                 const std::vector<unsigned char>& iv,
                 std::vector<unsigned char>* pDecrypted);
Error aesEncrypt(const std::vector<unsigned char>& data,
                 const std::vector<unsigned char>& key,
                 const std::vector<unsigned char>& iv,
                 std::vector<unsigned char>* pEncrypted);

// Base64 with the standard alphabet and "=" padding, on one line. Decoding does not
// report malformed text: it yields the bytes of its valid prefix (whole groups of four,
// of which only the last may end in "=" or "=="), or none.
Error base64Decode(const std::string& data, std::vector<unsigned char>* pDecoded);

// Reverses encryptDataAndBase64Encode and appends the plain text to the output.
Error base64DecodeAndDecrypt(const std::string& encryptedText,
                             const std::string& key,
                             const std::string& ivText,
                             std::string* pDecrypted);

Error base64Encode(const unsigned char* data, int length, std::string* pEncoded);
Error base64Encode(const std::vector<unsigned char>& data, std::string* pEncoded);

// Encrypts with a fresh random IV of 256 bytes, of which the cipher uses the first
// 16; both outputs are replaced with base64 text (the IV text is 344 characters).
Error encryptDataAndBase64Encode(const std::string& input,
                                 const std::string& key,
                                 std::string* pIvText,
                                 std::string* pEncryptedText);

// A new 2048-bit key with the exponent 65537: the public half as "PUBLIC KEY" PEM,
// the private half as unencrypted PKCS#8 PEM. Both files are written whole beside
// their targets and then renamed into place; any failure (a folder or a device as a
// target, a missing folder, a write that fails) leaves the files that were there as
// they were and returns system error 12 caused by the file operation's error. The
// private key file is readable and writable by its owner only, and never readable by
// others while written.
Error generateRsaKeyFiles(const FilePath& publicKeyPath, const FilePath& privateKeyPath);
Error generateRsaKeyPair(std::string* pPublicKey, std::string* pPrivateKey);

// 32 bytes for any key, the empty key included.
Error HMAC_SHA2(const std::string& data, const std::vector<unsigned char>& key, std::vector<unsigned char>* pHMAC);
Error HMAC_SHA2(const std::string& data, const std::string& key, std::vector<unsigned char>* pHMAC);

Error random(unsigned int length, std::vector<unsigned char>* pOut);

// Makes the process-wide 2048-bit key, after adding the system's random device to
// OpenSSL's seed where there is one (OpenSSL seeds itself in any case). A later call
// replaces the key; a call that fails changes nothing. Other threads may decrypt and
// read the public half meanwhile: each call uses one whole key, the old or the new.
Error rsaInit();

// Decrypts base64 text that was encrypted with the process-wide key's public half
// (PKCS#1 v1.5 padding). Fails with the system error 22 before rsaInit has made a key.
Error rsaPrivateDecrypt(const std::string& cipherText, std::string* pPlainText);

// The process-wide key's public exponent and modulus as upper-case hexadecimal
// ("010001" and 512 digits); both empty before rsaInit has made a key.
void rsaPublicKey(std::string* pExponent, std::string* pModulus);

// PKCS#1 v1.5 signatures over the SHA-256 digest of the message: the raw bytes (256
// for a 2048-bit key). The private key is unencrypted PEM; the public key is "PUBLIC
// KEY" PEM. rsaVerify succeeds only for a valid signature.
Error rsaSign(const std::string& message, const std::string& pemPrivateKey, std::string* pSignature);
Error rsaVerify(const std::string& message, const std::string& signature, const std::string& pemPublicKey);

// The 32 digest bytes, not hexadecimal.
Error sha256(const std::string& message, std::string* pHash);

} // namespace velorin::core::system::crypto
